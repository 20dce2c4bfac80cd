// The program's start-up with a movie for tests in place of the real one,
// laid out by a test as "Plexar" in a bundle of its own. The movie
// ("movie = startup-test" in Plexo.qmv) plays a small script chosen by the
// movie file's settings and writes its process id, then one line per call
// it receives, to the file named by "record" (and to the named pipe named
// by "notify", when there is one):
//   suppress = 1            answers the hand-shake so that suppress mode is on
//   on_enable_ui = exit|ask|stuck|wait
//                           when the movie may take command lines: ask to
//                           exit, start the command "externalTestAsk", start
//                           the command "externalTestStuck" and ask to exit
//                           once it runs, or wait (the default)
//   on_forwarded = exit|wait
//                           after a forwarded command line (default exit)
//   on_post_exit = exit|ignore
//                           when the window is disposed (default exit)
//   on_question = exit|answer
//                           when a command asks (default exit, unanswered:
//                           the command then fails with the status 1)
//   exit_code = N           the code of the movie's exit request
// Environment: PLEXAR_TEST_ENGINE_INIT=fail makes the engine's start fail,
// PLEXAR_TEST_LAUNCH_OPTIONS gives launch options, PLEXAR_TEST_TAMB_STATUS
// makes the UI framework fail to start with that status,
// PLEXAR_TEST_STOP_BOUND_MS shortens the wait for the worker at the end.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/CBrioCommand.h"
#include "app/CCommandFactory.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "app/PlexarApp.h"
#include "foundation/AppGlobals.h"
#include "platform/tamb/Movie.h"
#include "platform/tamb/Tamb.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

class Recorder {
 public:
  static Recorder& get() {
    static Recorder* recorder = new Recorder;
    return *recorder;
  }
  // The record, and the named pipe a test waits on (none when empty).
  void open(const std::string& path, const std::string& notify) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_out.open(path, std::ios::app | std::ios::binary);
    if (!notify.empty()) m_notify.open(notify, std::ios::app | std::ios::binary);
  }
  void line(const std::string& name, const std::vector<std::string>& args) {
    std::string text = name;
    for (const std::string& a : args) text += "|" + escaped(a);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_out << text << '\n';
    m_out.flush();
    if (m_notify.is_open()) {
      m_notify << text << '\n';
      m_notify.flush();
    }
  }

 private:
  static std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
  }
  std::mutex m_mutex;
  std::ofstream m_out;
  std::ofstream m_notify;
};

class TestEngine final : public IEngine {
 public:
  void SetUI(CZorbPlexarUI* ui) override { m_ui = ui; }
  CZorbPlexarUI* GetUI() const override { return m_ui; }
  int32_t Init() override {
    const char* init = std::getenv("PLEXAR_TEST_ENGINE_INIT");
    return init && std::string(init) == "fail" ? -1 : 0;
  }
  void SetLastErrorText(const CString&) override {}
  void SetDefaultProductLocale(const CString&) override {}

 private:
  CZorbPlexarUI* m_ui = nullptr;
};

// Asks the movie a question and records how it ended.
class AskCommand final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalTestAsk"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {
    Recorder::get().line("command-asks", {});
    const int answer = askOKCancel("Go on?", CZorbPlexarUI::kYesNo);
    Recorder::get().line("command-ends", {std::to_string(answer), isCancelled() ? "1" : "0"});
    // Stopped before it could do its work: it failed, as an install that
    // rolls back does.
    if (isCancelled()) g_exitCode = 1;
    sendReply({isCancelled() ? "2" : "0"});
  }
};

// Tells the movie it runs, then never ends, deaf to the stop.
class StuckCommand final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalTestStuck"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {
    Recorder::get().line("command-stuck", {});
    sendReply({"stuck"});
    std::promise<void>().get_future().wait();
  }
};

class StartupTestMovie final : public tamb::Movie {
 public:
  explicit StartupTestMovie(tamb::MovieSettings settings) : m_settings(std::move(settings)) {
    Recorder::get().open(setting("record", "/dev/null"), setting("notify", ""));
  }

  void start(tamb::MovieHost& host) override {
    m_host = &host;
    Recorder::get().line("pid", {std::to_string(::getpid())});
    send("brioCallBackReady", {"m0"});
  }

  tamb::Value invoke(const tamb::Invocation& raw) override {
    std::vector<std::string> args;
    for (const std::string& s : raw.strings()) args.push_back(codec().decode(s));
    Recorder::get().line(raw.name, args);
    const std::string id = args.empty() ? std::string() : args[0];
    const std::string& name = raw.name;
    if (name == "brioParseSuppress") {
      send("externalCallBack", {id, setting("suppress", "0") == "1" ? "0" : "1"});
    } else if (name == "brioGetLocaleList") {
      send("externalCallBack", {id, "0", "en_US"});
    } else if (name == "brioParseLocale") {
      send("externalCallBack", {id, "1"});
    } else if (name == "brioNotifyReady") {
      send("brioCommandLineRequestReady", {"m1"});
    } else if (name == "brioEnableUI") {
      const std::string then = setting("on_enable_ui", "wait");
      if (then == "exit") exitNow();
      if (then == "ask") send("externalTestAsk", {"m2"});
      if (then == "stuck") send("externalTestStuck", {"m2"});
    } else if (name == "brioHandleCommandLine") {
      if (args.size() > 2 && args[2] == "0" && setting("on_forwarded", "exit") == "exit") exitNow();
    } else if (name == "brioPostExit") {
      if (setting("on_post_exit", "exit") == "exit") exitNow();
    } else if (name == "brioCallBack" && args.size() > 1 && args[1] == "stuck") {
      exitNow();
    } else if (name == "brioCallBack" && args.size() > 1 && args[1] == "8") {
      if (setting("on_question", "exit") == "exit")
        exitNow();
      else
        send("externalCallBack", {id, "6"});
    }
    return {};
  }

 private:
  static const MessageEscapeCodec& codec() { return CTAMBFrontController::getInstance()->codec(); }
  std::string setting(const std::string& key, const std::string& fallback) const {
    const auto it = m_settings.find(key);
    return it == m_settings.end() ? fallback : it->second;
  }
  void send(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> encoded;
    for (const std::string& a : args) encoded.push_back(codec().encode(a));
    m_host->externalCall(tamb::Invocation::of(name, encoded));
  }
  void exitNow() { send("externalAppExit", {"m9", setting("exit_code", "0")}); }

  tamb::MovieSettings m_settings;
  tamb::MovieHost* m_host = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  AppServices::setMakeEngine([] { return std::make_unique<TestEngine>(); });
  if (const char* options = std::getenv("PLEXAR_TEST_LAUNCH_OPTIONS")) {
    const std::string text = options;
    AppServices::setMessaging([](const std::string&) { return true; }, [text] { return text; });
  }
  if (const char* status = std::getenv("PLEXAR_TEST_TAMB_STATUS"))
    tamb::setInitializeStatusForTest(std::atoi(status));
  if (const char* bound = std::getenv("PLEXAR_TEST_STOP_BOUND_MS"))
    PlexarApp::setWorkerStopBoundMs(static_cast<uint32_t>(std::strtoul(bound, nullptr, 10)));
  tamb::registerMovie("startup-test", [](const tamb::MovieSettings& settings) {
    return std::make_unique<StartupTestMovie>(settings);
  });
  CCommandFactory::getInstance()->registerCommand([] { return std::make_unique<AskCommand>(); });
  CCommandFactory::getInstance()->registerCommand([] { return std::make_unique<StuckCommand>(); });
  std::exit(PlexarApp::main(argc, argv));
}
