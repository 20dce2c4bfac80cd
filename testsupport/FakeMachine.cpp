#include "testsupport/FakeMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "foundation/AppGlobals.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/PDBConnector.h"
#include "messaging/SharedLib.h"
#include "platform/os/Applications.h"
#include "platform/os/ColonPath.h"
#include "platform/os/Utf.h"
#include "platform/tamb/Invocation.h"
#include "testsupport/AppBundle.h"
#include "testsupport/TarnFixture.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// The name the program registers for messaging, as the connector needs one.
constexpr char kProgramSpecifier[] = "plexo-5.0";
// Where the product-configuration library lies in the program's bundle.
constexpr char kTarnInBundle[] = "/Contents/Frameworks/libvesko_tarn.so";

FakeMachine* gCurrent = nullptr;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string escaped(const std::string& text) {
  std::string out;
  tamb::appendXmlEscaped(out, text);
  return out;
}

std::string defaultIdentifier(const std::string& name) {
  std::string id = "com.vesko.";
  for (char c : lower(name))
    if (c != ' ') id += c;
  return id;
}

}  // namespace

std::u16string FakeMachine::Host::installFolderColon() const {
  std::optional<std::u16string> colon = platform::posixToColon(installFolder);
  if (!colon) {
    ADD_FAILURE() << "no colon form for " << installFolder;
    return {};
  }
  if (colon->empty() || colon->back() != u':') *colon += u':';
  return *colon;
}

FakeMachine::FakeMachine() : FakeMachine(Options()) {}

FakeMachine::FakeMachine(const Options& options) : SandboxMachine(options) {
  if (gCurrent != nullptr) ADD_FAILURE() << "fake machines are not nested";
  gCurrent = this;
  m_previousAppPath = gAppPath;
  gAppPath = appFolder();

  const std::string databases = posix("Library/Installer Databases");
  makeFolder("Library/Installer Databases");
  m_tarn = std::make_unique<TarnFixture>(databases);

  // The program in the sandbox carries the library, as the shipped one does.
  const std::string program = root() + "/Applications/Plexar.app";
  std::error_code ec;
  fs::create_symlink(TarnFixture::libraryPath(), program + kTarnInBundle, ec);
  if (ec) ADD_FAILURE() << "cannot place the library in " << program << ": " << ec.message();
  Velt::ArborTalkUtils::SharedLib::setApplicationBundle(Velt::VtString(program.c_str()));
  Velt::ArborTalkConnector::set(
      new Velt::PDBConnector(kProgramSpecifier, true, Velt::PDBConnector::kOpal));
}

FakeMachine::~FakeMachine() {
  platform::setPretendedProcesses({});
  Velt::ArborTalkConnector::set(nullptr);
  Velt::ArborTalkUtils::SharedLib::setApplicationBundle(Velt::VtString(""));
  m_tarn.reset();
  gAppPath = m_previousAppPath;
  gCurrent = nullptr;
}

const FakeMachine::Host& FakeMachine::addHost(const FakeHost& spec) {
  if (host(spec.name) != nullptr) ADD_FAILURE() << "a host named " << spec.name << " exists";
  auto made = std::make_unique<Host>();
  made->spec = spec;
  made->installFolder = posix(spec.folder);
  makeFolder(spec.folder);
  const std::string identifier =
      spec.identifier.empty() ? defaultIdentifier(spec.name) : spec.identifier;
  made->bundle =
      makeAppBundle(made->installFolder, spec.name, spec.signature, identifier, spec.version);
  made->executable = made->bundle + "/Contents/MacOS/" + spec.name;
  {
    std::ofstream exe(made->executable, std::ios::binary | std::ios::trunc);
    exe << "#!/bin/sh\nexit 0\n";
    if (!exe) ADD_FAILURE() << "cannot write " << made->executable;
  }
  std::error_code ec;
  fs::permissions(made->executable,
                  fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                      fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::replace, ec);

  if (!spec.config.empty()) {
    const std::string folder =
        spec.configInInstallFolder ? spec.folder : spec.folder + "/Configuration";
    writeVornConfig(folder, spec.config);
    made->configFile = posix(folder) + "/VornConfig.xml";
  }
  {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    m_hosts.push_back(std::move(made));
  }
  if (!spec.specifier.empty())
    registerApplication(spec.specifier, m_hosts.back()->bundle, spec.displayName);
  return *m_hosts.back();
}

const FakeMachine::Host* FakeMachine::host(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_pingMutex);
  for (const auto& h : m_hosts)
    if (h->spec.name == name) return h.get();
  return nullptr;
}

std::string FakeMachine::vornConfigXml(const ConfigPairs& pairs) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n\t<VariableForPlexo>\n";
  for (const auto& [key, value] : pairs)
    text += "\t\t<Data key=\"" + escaped(key) + "\">" + escaped(value) + "</Data>\n";
  return text + "\t</VariableForPlexo>\n</Configuration>\n";
}

ConfigPairs FakeMachine::commonHostConfig(const std::string& productName,
                                          const std::string& displayName,
                                          const std::string& version) {
  return {{"productname", productName},
          {"displayname", displayName},
          {"productversion", version},
          {"userextensionfolder", "$userdatafolder/Vesko/" + displayName + "/Extensions"},
          {"supportedinsuite", "WB5"},
          {"hostnameforwbxs", lower(productName)},
          {"globalproductname", displayName}};
}

void FakeMachine::writeVornConfig(const std::string& relativeFolder,
                                  const ConfigPairs& pairs) const {
  writeFile(relativeFolder + "/VornConfig.xml", vornConfigXml(pairs));
}

void FakeMachine::registerApplication(const std::string& specifier, const std::string& path,
                                      const std::string& displayName) {
  TarnFixture::Values values = {{"Specifier", specifier}, {"Path", path}};
  if (!displayName.empty()) values.emplace_back("DisplayName", displayName);
  m_tarn->registerApplication(specifier, values);
  {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    m_registered.emplace_back(lower(specifier), path);
  }
  reloadRegistry();
}

void FakeMachine::reloadRegistry() {
  if (Velt::ArborTalkConnector* connector = Velt::ArborTalkConnector::get())
    connector->clearCache();
}

void FakeMachine::setProgramMarker(const std::string& name, bool present) const {
  std::string path = gAppPath;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  if (present) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) ADD_FAILURE() << "cannot write " << path;
    return;
  }
  std::error_code ec;
  fs::remove(path, ec);
}

void FakeMachine::writePreferences(const std::string& file, const std::vector<std::string>& path,
                                   const std::string& value) const {
  std::string open;
  std::string close;
  for (const std::string& name : path) {
    open += "<" + name + ">";
    close = "</" + name + ">" + close;
  }
  writeFile(homeRelative() + "/Library/Preferences/" + file,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PREFERENCES>" + open + escaped(value) +
                close + "</PREFERENCES>\n");
}

void FakeMachine::addUser(const std::string& name) const {
  for (const char* sub :
       {"/Library/Application Support", "/Library/Preferences", "/Library/Caches"})
    makeFolder("Users/" + name + sub);
}

void FakeMachine::setRunning(const std::string& name, bool running) {
  {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    bool found = false;
    for (auto& h : m_hosts) {
      if (h->spec.name != name) continue;
      h->running = running;
      found = true;
    }
    if (!found) ADD_FAILURE() << "no host named " << name;
  }
  publishProcesses();
}

void FakeMachine::publishProcesses() const {
  std::vector<platform::RunningProcess> processes;
  std::lock_guard<std::mutex> lock(m_pingMutex);
  for (const auto& h : m_hosts) {
    if (!h->running) continue;
    platform::RunningProcess p;
    p.pid = platform::kFirstPretendedPid + static_cast<pid_t>(processes.size());
    p.executable = h->executable;
    p.bundlePath = h->bundle;
    processes.push_back(std::move(p));
  }
  platform::setPretendedProcesses(std::move(processes));
}

std::string FakeMachine::ping(const std::string& target) {
  std::lock_guard<std::mutex> lock(m_pingMutex);
  m_pings.push_back(target);
  const std::string wanted = lower(target);
  for (const auto& [name, answer] : m_pingAnswers)
    if (name == wanted) return answer;
  for (const auto& h : m_hosts)
    if (h->running && !h->spec.specifier.empty() && lower(h->spec.specifier) == wanted)
      return kEchoResponse;
  for (const auto& entry : m_registered)
    if (entry.first == wanted) return kNotRunning;
  return kNotInstalled;
}

void FakeMachine::setPingAnswer(const std::string& target, const std::string& answer) {
  std::lock_guard<std::mutex> lock(m_pingMutex);
  const std::string wanted = lower(target);
  for (auto& entry : m_pingAnswers) {
    if (entry.first != wanted) continue;
    entry.second = answer;
    return;
  }
  m_pingAnswers.emplace_back(wanted, answer);
}

std::vector<std::string> FakeMachine::pings() const {
  std::lock_guard<std::mutex> lock(m_pingMutex);
  return m_pings;
}

FakeMachine* FakeMachine::current() {
  return gCurrent;
}

std::string FakeMachine::pingCurrent(const char* target, const char*, int32_t) {
  return gCurrent != nullptr && target != nullptr ? gCurrent->ping(target) : kNotRunning;
}

}  // namespace testsupport
