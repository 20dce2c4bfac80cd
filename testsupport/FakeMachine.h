#pragma once

// A machine with host applications, for the host-product and engine tests.
// It is a SandboxMachine (every folder of SandboxMachine.h) with, on top:
//
//   - hosts as application bundles "<root>/<folder>/<name>.app" (Info.plist
//     with signature, identifier and version, and an executable), each with
//     a "VornConfig.xml" of <Data key="...">...</Data> pairs in the form
//     <Configuration><VariableForPlexo>...</VariableForPlexo></Configuration>,
//     in "<install folder>/Configuration/" or in the install folder itself;
//   - the product database (the product-configuration library over SQLite,
//     through TarnFixture) registering each host that has a messaging name,
//     with the messaging library's current connector reading it, so that
//     Specifier("loomwright-11.0").getApplicationPath() names the bundle;
//   - the program's application folder (gAppPath, set to
//     SandboxMachine::appFolder) for its marker files ("Flag.useOld",
//     "Flag.useMock");
//   - preference files in the user's Preferences folder;
//   - running hosts: a running host is listed by platform::runningProcesses
//     (so CZorbOS::IsAppRunning and FindProcess find it by signature) and
//     answers pings of its messaging name with "ECHO_RESPONSE" through
//     ping(); FakeMachine::pingCurrent is a plain function for the
//     products' ping seam: CZorbProduct::SetPinger(&FakeMachine::pingCurrent).
//
//   testsupport::FakeMachine machine;
//   testsupport::FakeHost host;
//   host.name = "Vesko Loomwright WB5";
//   host.folder = "Applications/Vesko Loomwright Marlin";
//   host.signature = "LmWt";
//   host.version = "11.0.2";
//   host.specifier = "loomwright-11.0";
//   host.config = {{"productname", "Loomwright"}, {"supportedinsuite", "WB5"}};
//   const testsupport::FakeMachine::Host& h = machine.addHost(host);
//   machine.setRunning(host.name, true);
//
// Link the target plexar_fake_machine. Everything is undone when the
// machine is destroyed; like sandboxes, machines are not nested.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/SandboxMachine.h"

namespace testsupport {

class TarnFixture;

using ConfigPairs = std::vector<std::pair<std::string, std::string>>;

// One host application to install.
struct FakeHost {
  // The bundle is "<name>.app".
  std::string name;
  // Where the bundle lies, relative to the root; that folder is the host's
  // install folder.
  std::string folder = "Applications";
  std::string signature = "????";
  // Empty: "com.vesko." and the name in lower case without blanks.
  std::string identifier;
  std::string version = "1.0";
  // The messaging name the product database registers the host under
  // ("loomwright-11.0"); empty: not registered.
  std::string specifier;
  // Its registered "DisplayName", when not empty.
  std::string displayName;
  // The pairs of its "VornConfig.xml", written in this order; no file when
  // empty (writeVornConfig makes any other).
  ConfigPairs config;
  // The file lies in the install folder itself, not in its "Configuration".
  bool configInInstallFolder = false;
};

class FakeMachine : public SandboxMachine {
 public:
  // A host as installed. Paths are absolute POSIX paths without a final "/".
  struct Host {
    FakeHost spec;
    std::string bundle;         // "<install folder>/<name>.app"
    std::string installFolder;  // the folder that holds the bundle
    std::string executable;     // "<bundle>/Contents/MacOS/<name>"
    std::string configFile;     // its "VornConfig.xml", empty when none
    bool running = false;
    // The install folder in colon form, ending in ":".
    std::u16string installFolderColon() const;
  };

  // Ping answers besides "ECHO_RESPONSE", as the messaging library gives them.
  static constexpr char kEchoResponse[] = "ECHO_RESPONSE";
  static constexpr char kNotRunning[] = "ISNOTRUNNING";
  static constexpr char kNotInstalled[] = "ISNOTINSTALLED";

  FakeMachine();
  explicit FakeMachine(const Options& options);
  ~FakeMachine();
  FakeMachine(const FakeMachine&) = delete;
  FakeMachine& operator=(const FakeMachine&) = delete;

  // Installs a host (replacing nothing: names are unique) and registers it
  // in the product database when it has a messaging name. A failure fails
  // the test.
  const Host& addHost(const FakeHost& host);
  // The host of that bundle name; null when there is none.
  const Host* host(const std::string& name) const;
  const std::vector<std::unique_ptr<Host>>& hosts() const { return m_hosts; }

  // The text of a "VornConfig.xml" holding the pairs (keys and values
  // escaped for XML).
  static std::string vornConfigXml(const ConfigPairs& pairs);
  // The parameters of a complete host of the current suite that has no
  // class of its own (a common product): "productname", "displayname",
  // "productversion", "userextensionfolder" (below the user's
  // application data: "$userdatafolder/Vesko/<displayName>/Extensions"),
  // "supportedinsuite" "WB5", "hostnameforwbxs" and "globalproductname".
  static ConfigPairs commonHostConfig(const std::string& productName,
                                      const std::string& displayName, const std::string& version);
  // Writes one at <root>/<relativeFolder>/VornConfig.xml.
  void writeVornConfig(const std::string& relativeFolder, const ConfigPairs& pairs) const;

  // The product database and the installer database; write to them for
  // what addHost does not cover. Reloads of the connector follow each write
  // made through addHost or registerApplication.
  TarnFixture& productDatabase() { return *m_tarn; }
  // Registers (or re-registers) an application under a messaging name with
  // a path, as an installer would.
  void registerApplication(const std::string& specifier, const std::string& path,
                           const std::string& displayName = "");
  // Makes the messaging connector read the database afresh.
  void reloadRegistry();

  // Marker files in the program's application folder: the folder gAppPath
  // names now (appFolder() unless a test moved it).
  void setProgramMarker(const std::string& name, bool present) const;

  // Writes <home>/Library/Preferences/<file> as
  // <PREFERENCES><a><b>value</b></a></PREFERENCES> for the path {"a", "b"}.
  void writePreferences(const std::string& file, const std::vector<std::string>& path,
                        const std::string& value) const;

  // Makes another user's home with its Library folders (under Users/).
  void addUser(const std::string& name) const;

  // Starts or stops a host (by bundle name). Pretends its process; no
  // program runs.
  void setRunning(const std::string& name, bool running);

  // What a ping of the messaging name target answers: an answer set with
  // setPingAnswer, else "ECHO_RESPONSE" for a running host, "ISNOTRUNNING"
  // for another registered one and "ISNOTINSTALLED" otherwise (names
  // compared ignoring case). Each call is recorded. Safe from any thread.
  std::string ping(const std::string& target);
  // Scripts the answer to target (an empty answer stands for no answer).
  void setPingAnswer(const std::string& target, const std::string& answer);
  // The targets pinged so far, in order.
  std::vector<std::string> pings() const;

  // The machine that lives now, or null.
  static FakeMachine* current();
  // ping() of the current machine (ISNOTRUNNING without one); key and
  // time-out are not used.
  static std::string pingCurrent(const char* target, const char* key, int32_t timeoutSeconds);

 private:
  void publishProcesses() const;

  std::unique_ptr<TarnFixture> m_tarn;
  std::vector<std::unique_ptr<Host>> m_hosts;
  std::vector<std::pair<std::string, std::string>> m_registered;  // specifier, path
  std::string m_previousAppPath;
  mutable std::mutex m_pingMutex;
  std::vector<std::pair<std::string, std::string>> m_pingAnswers;
  std::vector<std::string> m_pings;
};

}  // namespace testsupport
