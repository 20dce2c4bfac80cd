// A second process for the messaging tests.
//
//   MessagingPeer own <specifier> <ready file> <parent pid>
//     owns the port of specifier, writes "good" or "bad" to the ready file
//     and then waits, never taking a delivery, until it is killed, its
//     parent is gone, or a minute has passed;
//   MessagingPeer send <own specifier> <target> <text>...
//     sends each text to target, "\0" in a text standing for a NUL byte;
//     exits 0 when every send succeeded, 1 when one failed, 2 without a
//     port of its own;
//   MessagingPeer serve <specifier> <ready file> <parent pid> [option]...
//     sets the library up for specifier with a main instance of that name
//     and writes "good name=<the main instance's name>" (or "bad") to the
//     ready file. Options: home=<folder>, temproot=<folder>,
//     shared=<folder> (the places of the sandbox it runs in); echo (a
//     handler of the type "Echo" answers each body back as its result);
//     pumps=<n> (stops pumping after n pumps; 0 never pumps; without it
//     the peer pumps until it ends); every=<ms> (the pump's interval on
//     the system clock, 2 ms without it); exit=<ms> (ends after that long). It runs until then,
//     until killed, its parent is gone, or a minute has passed;
//   MessagingPeer echo <port> <reply port> <ready file> <parent pid>
//     owns the message port (no library) and sends every message it takes
//     back to the reply port, for the benchmark's raw baseline;
//   MessagingPeer (no arguments)
//     the application a launcher starts: it reads Contents/Resources/
//     peer.conf of the bundle it runs from ("key=value" lines: parent,
//     report, temproot, home, shared, and for launch parameters specifier and
//     waits, "<poll>,<own id>,<queue>" in milliseconds) and reports
//     "pid=<its id>" to the report file. With a specifier it then fetches
//     its launch parameters and reports "params=<them>", or "noparams" when
//     the waits ran out. An Apple event to reopen adds "reopened". It runs
//     until killed, its parent is gone, or a minute has passed. With
//     "library=1" it sets the whole library up for the specifier instead
//     and reports "options=<its launch options>".
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalk.h"
#include "messaging/InterAppStream.h"
#include "messaging/Launcher.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MessagePort.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "platform/os/SmallFiles.h"

namespace {

constexpr int kMaxWaitRounds = 600;

std::string unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '\\' && p[1] == '0') {
      out += '\0';
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

void waitForParent(pid_t parent, const std::atomic<bool>* quit = nullptr) {
  for (int i = 0; i < kMaxWaitRounds && platform::processExists(parent); ++i) {
    if (quit && quit->load()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

int own(const char* specifier, const char* readyFile, const char* parent) {
  Velt::InterAppStream stream(Velt::VtString(specifier), false);
  const char* state = stream.isGood() ? "good" : "bad";
  if (platform::createFileExclusively(readyFile, state, std::strlen(state), 0600) != 0) return 3;
  waitForParent(static_cast<pid_t>(std::atoi(parent)));
  return 0;
}

int send(const char* specifier, const char* target, int count, char** texts) {
  Velt::InterAppStream stream(Velt::VtString(specifier), false);
  if (!stream.isGood()) return 2;
  for (int i = 0; i < count; ++i) {
    const std::string text = unescape(texts[i]);
    if (!stream.send(Velt::VtString(target),
                     Velt::VtString(text.data(), static_cast<int32_t>(text.size()))))
      return 1;
  }
  return 0;
}

std::map<std::string, std::string> readConfig(const std::string& path) {
  std::map<std::string, std::string> config;
  std::string content;
  if (platform::readWholeFile(path, content) != 0) return config;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) end = content.size();
    const std::string line = content.substr(pos, end - pos);
    const size_t equals = line.find('=');
    if (equals != std::string::npos) config[line.substr(0, equals)] = line.substr(equals + 1);
    pos = end + 1;
  }
  return config;
}

// Appends lines to the report; each line is written whole at once.
class Report {
 public:
  explicit Report(std::string path) : mPath(std::move(path)) {}
  void add(const std::string& line) {
    std::lock_guard<std::mutex> guard(mMutex);
    mText += line + "\n";
    // A new file each time, put in place whole, so the test never reads
    // half a line.
    const std::string temporary = mPath + ".part";
    if (platform::writeWholeFile(temporary, mText.data(), mText.size(), 0600) == 0)
      (void)platform::fileSystem().rename(temporary, mPath, false);
  }

 private:
  std::mutex mMutex;
  std::string mPath;
  std::string mText;
};

platform::PlatformConfig placesOf(std::map<std::string, std::string>& config) {
  platform::PlatformConfig settings = platform::PlatformConfig::current();
  if (!config["temproot"].empty()) settings.tempRoot = config["temproot"];
  if (!config["home"].empty()) settings.home = config["home"];
  if (!config["shared"].empty()) settings.sharedAppData = config["shared"];
  return settings;
}

int launched() {
  const std::string bundle = platform::bundleOfCurrentProcess();
  if (bundle.empty()) return 4;
  std::map<std::string, std::string> config = readConfig(bundle + "/Contents/Resources/peer.conf");
  platform::PlatformConfig::Override override(placesOf(config));

  Report report(config["report"]);
  std::atomic<bool> quit{false};
  platform::AppleEventListener listener;
  (void)listener.start([&](const platform::AppleEvent& event) -> int32_t {
    if (event.eventClass == platform::kCoreEventClass && event.eventId == platform::fourCC("rapp"))
      report.add("reopened");
    if (event.eventClass == platform::kCoreEventClass && event.eventId == platform::fourCC("quit"))
      quit = true;
    return 0;
  });
  report.add("pid=" + std::to_string(platform::processId()));
  if (!config["specifier"].empty() && !config["library"].empty()) {
    Velt::ArborTalkUtils::LaunchWaits waits;
    if (std::sscanf(config["waits"].c_str(), "%u,%u,%u", &waits.pollMs, &waits.ownIdMs,
                    &waits.queueMs) == 3)
      Velt::ArborTalkUtils::setLaunchWaits(waits);
    if (Velt::ArborTalk::InitTerm::init(Velt::VtString(config["specifier"].c_str()), true)) {
      const Velt::VtString launchOptions = Velt::ArborTalk::getLaunchOptions();
      report.add("options=" +
                 std::string(launchOptions.get(), static_cast<size_t>(launchOptions.length())));
    } else {
      report.add("nolibrary");
    }
  } else if (!config["specifier"].empty()) {
    Velt::ArborTalkUtils::LaunchWaits waits;
    if (std::sscanf(config["waits"].c_str(), "%u,%u,%u", &waits.pollMs, &waits.ownIdMs,
                    &waits.queueMs) == 3)
      Velt::ArborTalkUtils::setLaunchWaits(waits);
    Velt::VtString parameters;
    if (Velt::ArborTalkUtils::getLaunchParameters(Velt::VtString(config["specifier"].c_str()),
                                                  parameters))
      report.add("params=" +
                 std::string(parameters.get(), static_cast<size_t>(parameters.length())));
    else
      report.add("noparams");
  }
  waitForParent(static_cast<pid_t>(std::atoi(config["parent"].c_str())), &quit);
  listener.stop();
  if (Velt::ArborTalk::getSharedContext()) (void)Velt::ArborTalk::InitTerm::exit();
  return 0;
}

// Answers each "Echo" message with its own body.
class EchoHandler : public Velt::ArborTalk::MsgHandler {
 public:
  int handleMessage(int, Velt::ArborTalk::Message& message, Velt::VtString* answer) override {
    if (answer) *answer = message.mBody;
    return 0;
  }
  Velt::VtString getMsgType() const override { return "Echo"; }
};

std::map<std::string, std::string> options(int count, char** texts) {
  std::map<std::string, std::string> out;
  for (int i = 0; i < count; ++i) {
    const std::string text = texts[i];
    const size_t equals = text.find('=');
    if (equals == std::string::npos)
      out[text] = "1";
    else
      out[text.substr(0, equals)] = text.substr(equals + 1);
  }
  return out;
}

int serve(const char* specifier, const char* readyFile, const char* parent,
          std::map<std::string, std::string> config) {
  platform::PlatformConfig::Override places(placesOf(config));
  const auto ready = [&](const std::string& state) {
    return platform::createFileExclusively(readyFile, state.data(), state.size(), 0600) == 0;
  };
  if (!Velt::ArborTalk::InitTerm::init(Velt::VtString(specifier), true)) {
    (void)ready("bad");
    return 5;
  }
  // The context owns the main instance and deletes it at the end.
  auto* main =
      new Velt::ArborTalk(specifier, config.count("echo") ? new EchoHandler : nullptr, true);
  const Velt::VtString name = main->getAppName();
  if (!ready("good name=" + std::string(name.get(), static_cast<size_t>(name.length())))) return 3;

  const long pumps = config.count("pumps") ? std::atol(config["pumps"].c_str()) : -1;
  const long everyMs = config.count("every") ? std::atol(config["every"].c_str()) : 2;
  const long exitMs = config.count("exit") ? std::atol(config["exit"].c_str()) : 60000;
  const pid_t parentId = static_cast<pid_t>(std::atoi(parent));
  const auto start = std::chrono::steady_clock::now();
  long pumped = 0;
  long rounds = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(exitMs)) {
    // Asking whether the parent lives costs a system call: not every round.
    if (rounds++ % 64 == 0 && !platform::processExists(parentId)) break;
    if (pumps < 0 || pumped < pumps) {
      (void)Velt::ArborTalk::pump(Velt::ArborTalk::kBoth);
      ++pumped;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(everyMs));
  }
  (void)Velt::ArborTalk::InitTerm::exit();
  return 0;
}

int echo(const char* port, const char* replyPort, const char* readyFile, const char* parent) {
  platform::MessagePort owner;
  const char* state = owner.open(port) == 0 ? "good" : "bad";
  if (platform::createFileExclusively(readyFile, state, std::strlen(state), 0600) != 0) return 3;
  const pid_t parentId = static_cast<pid_t>(std::atoi(parent));
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::string> messages;
  long rounds = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::minutes(1)) {
    // Asking whether the parent lives costs a system call: not every round.
    if (++rounds % 4096 == 0 && !platform::processExists(parentId)) break;
    messages.clear();
    if (owner.collect(messages) == 0) {
      std::this_thread::yield();
      continue;
    }
    for (const std::string& message : messages)
      (void)platform::MessagePort::send(replyPort, message.data(), message.size(), 10000);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return launched();
  if (argc == 5 && std::strcmp(argv[1], "own") == 0) return own(argv[2], argv[3], argv[4]);
  if (argc >= 5 && std::strcmp(argv[1], "serve") == 0)
    return serve(argv[2], argv[3], argv[4], options(argc - 5, argv + 5));
  if (argc == 6 && std::strcmp(argv[1], "echo") == 0)
    return echo(argv[2], argv[3], argv[4], argv[5]);
  if (argc >= 4 && std::strcmp(argv[1], "send") == 0)
    return send(argv[2], argv[3], argc - 4, argv + 4);
  return 64;
}
