// What the registry says about itself as a whole: its configuration
// document, its diagnostics records, importing another registry and
// comparing two.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalkConnector.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/LibraryFixture.h"
#include "messaging/tests/MemoryConnector.h"

using Velt::AKConnectorAppInfo;
using Velt::VtString;

namespace {

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n";
const std::string kTail = "</Configuration>\n";

std::string line(const std::string& key, const std::string& value) {
  return "\t\t<Data key=\"" + key + "\">" + value + "</Data>\n";
}

std::string config(const MemoryConnector& connector, const char* which) {
  return text(connector.getConnectorConfig(VtString(which)));
}

std::string diagnostics(const MemoryConnector& connector, const char* path) {
  VtString out;
  connector.appendDiagnostics(out, VtString(path));
  return text(out);
}

// Pings from the reports reach in-process ports only.
class Reports : public MessagingTest {
 protected:
  ScopedFakeStreams streams;
  AlertCapture alerts;
};

}  // namespace

TEST_F(Reports, TheDocumentOfAnApplicationWithTheDefaultFields) {
  MemoryConnector connector;
  connector.add("pixmere-10.0");
  EXPECT_EQ(config(connector, "pixmere-10.0"),
            kHead + "\t<Payload>\n" + line("ArborTalkCode", "/vesko/arbortalk/pixmere-10.0") +
                "\t</Payload>\n\n" + "\t<Other veskoCode=\"/vesko/arbortalk/pixmere-10.0\">\n" +
                line("Specifier", "pixmere-10.0") + line("ArborTalkVersion", "2") + "\t</Other>\n" +
                kTail);
}

TEST_F(Reports, TheDocumentWritesEachFieldOnlyWhenItSaysSomething) {
  MemoryConnector connector;
  AKConnectorAppInfo full;
  full.mSpecifier = "full-1.0-en_us";
  full.mLocation = "/Apps/Full.app";
  full.mWindowClassName = "FullWindow";
  full.mBundleIdentifier = "com.vesko.full";
  full.mDisplayName = "Full & <Co>";  // markup in a value stays text
  full.mArborTalkVersion = 1.0;
  full.mAllowMultipleInstances = true;
  full.mIsShellTool = true;
  full.mMessageAuthentication = false;
  full.mMessageDigest = false;
  full.mSupportsORKT = true;
  full.mExecutableBasename = "FullExe";
  full.mExecutableExtension = "bin";
  full.mOMVDictionary = "full.omv";
  full.mDeveloperInstallPath = "/Dev/Full.app";
  full.mRedirectTo = "other-1.0";
  connector.apps.push_back(full);

  AKConnectorAppInfo sparse;
  sparse.mSpecifier = "sparse-1.0";
  sparse.mLocation = "/Apps/Sparse.app";
  sparse.mArborTalkVersion = 2.6;       // rounded
  sparse.mExecutableExtension = "bin";  // without a basename: neither line
  sparse.mOMVDictionary = "none";
  connector.apps.push_back(sparse);

  const std::string fullDocument = config(connector, "full-1.0-en_us");
  EXPECT_EQ(fullDocument,
            kHead + "\t<Payload>\n" + line("ArborTalkCode", "/vesko/arbortalk/full-1.0-en_us") +
                "\t</Payload>\n\n" + "\t<Other veskoCode=\"/vesko/arbortalk/full-1.0-en_us\">\n" +
                line("Specifier", "full-1.0-en_us") + line("WindowClassName", "FullWindow") +
                line("BundleIdentifier", "com.vesko.full") +
                line("DisplayName", "Full &amp; &lt;Co&gt;") +
                line("AllowMultipleInstances", "true") + line("IsShellTool", "true") +
                line("MessageAuthentication", "false") + line("MessageDigest", "false") +
                line("SupportsORKT", "true") + line("ExecutableBasename", "FullExe") +
                line("ExecutableExtensionMac", "bin") + line("OMVDictionary", "full.omv") +
                line("DeveloperInstallPath", "/Dev/Full.app") + line("RedirectTo", "other-1.0") +
                "\t</Other>\n" + kTail);
  // Neither the location nor a process id is part of it.
  EXPECT_EQ(fullDocument.find("/Apps/Full.app"), std::string::npos);

  const std::string sparseDocument = config(connector, "sparse-1.0");
  EXPECT_NE(sparseDocument.find(line("Specifier", "sparse-1.0") + line("ArborTalkVersion", "3") +
                                "\t</Other>\n"),
            std::string::npos)
      << sparseDocument;
}

TEST_F(Reports, NoDocumentRatherThanHalfOne) {
  MemoryConnector connector;
  connector.add("known-1.0");
  EXPECT_EQ(config(connector, ""), "");
  EXPECT_EQ(config(connector, "unknown-1.0"), "");
  EXPECT_NE(config(connector, "known-1.0"), "");

  MemoryConnector broken;
  broken.add("known-1.0");
  broken.loadFails = true;
  EXPECT_EQ(config(broken, "known-1.0"), "");
  EXPECT_EQ(config(broken, "groups"), "");
}

TEST_F(Reports, TheGroupsDocumentListsTheEntriesOrElevenFixedOnes) {
  MemoryConnector empty;
  std::string fixed = kHead + "\t<Other veskoCode=\"/vesko/arbortalk/groups\">\n";
  const char* const members[] = {"arbor-2.0",           "vectora-13.0",  "pagecraft-5.0",
                                 "pagecraftserver-5.0", "textcraft-5.0", "pixmere-10.0",
                                 "docuvane-8.0",        "orkit-2.0",     "sitewing-9.0",
                                 "gantry-2.0",          "pylon-2.0"};
  for (int i = 0; i < 11; ++i)
    fixed += line((i < 10 ? "Group00" : "Group0") + std::to_string(i),
                  std::string("/vesko/arbortalk/groups/wb/3/") + members[i]);
  fixed += "\t</Other>\n" + kTail;
  EXPECT_EQ(config(empty, "groups"), fixed);

  MemoryConnector many;
  many.group("wb/3/lumen_2-9.0-en_us#tool");  // instance and locale are not part of it
  for (int i = 1; i <= 100; ++i) many.group(("wb/4/app" + std::to_string(i) + "-1.0").c_str());
  const std::string document = config(many, "groups");
  EXPECT_EQ(document.rfind(kHead + "\t<Other veskoCode=\"/vesko/arbortalk/groups\">\n" +
                               line("Group000", "/vesko/arbortalk/groups/wb/3/lumen-9.0#tool") +
                               line("Group001", "/vesko/arbortalk/groups/wb/4/app1-1.0"),
                           0),
            0u)
      << document;
  EXPECT_NE(document.find(line("Group099", "/vesko/arbortalk/groups/wb/4/app99-1.0")),
            std::string::npos);
  EXPECT_NE(document.find(line("Group100", "/vesko/arbortalk/groups/wb/4/app100-1.0") +
                          "\t</Other>\n" + kTail),
            std::string::npos);
}

TEST_F(Reports, TheDiagnosticsOfAnEmptyRegistry) {
  MemoryConnector connector;
  const std::string t = "/plexo-5.0/targets";
  EXPECT_EQ(diagnostics(connector, "/plexo-5.0"),
            t + ";1;Targets;0;\n" + t + "/connector;0;Connector;memory;\n" + t +
                "/installed;1;Installed;0;\n" + t + "/running;1;Running;0;\n" + t +
                "/installed;1;Installed;0;\n" + t + "/running;1;Running;0;\n" + t +
                "/groups;0;Groups;(no groups defined);\n");
  // The background thread's form has no prefix.
  EXPECT_EQ(diagnostics(connector, "").rfind("/targets;1;Targets;0;\n", 0), 0u);
}

TEST_F(Reports, TheDiagnosticsListInstalledTargetsAndGroupNodes) {
  // Current, since completing the display names and groups asks it.
  auto* connector = new MemoryConnector;
  ScopedConnector scope(connector);
  AKConnectorAppInfo tool;
  tool.mSpecifier = "tool-1.0";
  tool.mLocation = "/Apps/Tool.app";
  tool.mDisplayName = "Tool";
  tool.mMessageDigest = false;
  tool.mSupportsORKT = true;
  tool.mBundleIdentifier = "com.vesko.tool";
  tool.mExecutableBasename = "ToolExe";
  connector->apps.push_back(tool);
  connector->add("other-2.0", "/Apps/Other.app");
  connector->group("wb/3/arbor-2.0").group("wb/3/tool-1.0").group("tb/1/other-2.0").group("solo");

  const std::string out = diagnostics(*connector, "/me-1.0");
  const std::string e = "/me-1.0/targets/installed/tool-1.0";
  EXPECT_NE(out.find("/me-1.0/targets;1;Targets;2;\n"), std::string::npos) << out;
  EXPECT_NE(
      out.find(e + ";1;tool-1.0;;\n" + e + "/group;0;Group;wb;\n" + e +
               "/path;0;Path;/Apps/Tool.app;\n" + e + "/displayname;0;Display Name;Tool;\n" + e +
               "/authentication;0;MsgAuthentication;ON;\n" + e + "/digest;0;MsgDigest;OFF;\n" + e +
               "/orkt;0;ORKT;ON;\n" + e + "/bundleid;0;BundleID;com.vesko.tool;\n" + e +
               "/status;0;Status;(not running);\n" + e + "/exename;0;ExeName;ToolExe.app;\n"),
      std::string::npos)
      << out;
  const std::string g = "/me-1.0/targets/groups";
  EXPECT_NE(out.find("/me-1.0/targets/installed;1;Installed;2;\n/me-1.0/targets/running;1;"
                     "Running;0;\n" +
                     g + ";1;Groups;4;\n" + g + "/wb3;1;wb3;;arbor-2.0;\n" + g +
                     "/wb3/arbor-2.0;0;arbor-2.0;;\n" + g + "/wb3/tool-1.0;0;tool-1.0;;\n" + g +
                     "/tb1;1;tb1;;other-2.0;\n" + g + "/tb1/other-2.0;0;other-2.0;;\n" + g +
                     "/;1;;;solo;\n" + g + "//solo;0;solo;;\n"),
            std::string::npos)
      << out;
}

TEST_F(Reports, ImportingCopiesEntriesAndGroupsAndReportsEveryRefusal) {
  MemoryConnector source;
  source.name = "source";
  source.add("a-1.0").add("b-2.0");
  source.group("wb/3/a-1.0").group("broken").group("tb/1/b-2.0");

  MemoryConnector target;
  // Refused before anything happens: the same kind of registry, or lists
  // that cannot be loaded on either side.
  MemoryConnector twin;
  EXPECT_FALSE(target.importFrom(twin));
  MemoryConnector unloadable;
  unloadable.name = "unloadable";
  unloadable.loadFails = true;
  EXPECT_FALSE(target.importFrom(unloadable));
  unloadable.loadFails = false;
  target.loadFails = true;
  target.clearCache();
  EXPECT_FALSE(target.importFrom(source));
  EXPECT_EQ(target.storeCalls, 0);
  target.loadFails = false;
  target.clearCache();

  // The group entry that does not split fails the import; the rest is in.
  EXPECT_FALSE(target.importFrom(source));
  EXPECT_EQ(target.getNumberOfRegisteredApplications(), 2);
  EXPECT_EQ(text(target.getApplicationSpecifier(1)), "b-2.0");
  EXPECT_EQ(target.grouped, (std::vector<std::string>{"wb/3/a-1.0", "tb/1/b-2.0"}));

  // Everything there already, at the same places: refused, nothing stored.
  MemoryConnector same;
  same.add("a-1.0").add("b-2.0");
  const int before = same.storeCalls;
  source.groups.clear();
  source.clearCache();
  EXPECT_FALSE(same.importFrom(source));
  EXPECT_EQ(same.storeCalls, before);
  EXPECT_EQ(same.getNumberOfRegisteredApplications(), 2);

  MemoryConnector fresh;
  EXPECT_TRUE(fresh.importFrom(source));
}

TEST_F(Reports, EqualRegistriesAndEveryDifferenceValidationFinds) {
  MemoryConnector mine("plexo-5.0");
  mine.add("a-1.0").add("b-2.0");
  mine.group("wb/3/a-1.0").group("wb/3/b-2.0");
  MemoryConnector same("plexo-5.0");
  same.add("b-2.0").add("a-1.0");  // the order does not matter
  same.group("wb/3/b-2.0").group("wb/3/a-1.0");
  EXPECT_TRUE(mine.isEqual(same));
  EXPECT_TRUE(mine.validate(same));
  EXPECT_TRUE(alerts.alerts().empty());

  MemoryConnector other("other-1.0");
  other.add("a-1.0", "/Elsewhere/A.app").add("c-3.0").add("d-1.0");
  other.apps[0].mDisplayName = "A";
  other.group("wb/3/a-1.0").group("wb/3/c-3.0");
  EXPECT_FALSE(mine.isEqual(other));
  EXPECT_TRUE(alerts.alerts().empty());
  EXPECT_FALSE(mine.validate(other));
  std::vector<std::string> reported;
  const std::string prefix = "ArborTalkConnector validation failed: ";
  for (const std::string& alert : alerts.alerts()) {
    const size_t at = alert.find(prefix);
    if (at == std::string::npos) continue;
    std::string message = alert.substr(at + prefix.size());
    if (!message.empty() && message.back() == '\n') message.pop_back();  // the alert's own end
    reported.push_back(message);
  }
  // The longer entry list (the other's) is the one walked.
  EXPECT_EQ(reported, (std::vector<std::string>{
                          "'mAppSpecifier' are different",
                          "Can't find group entry for 'wb/3/b-2.0'\n",
                          "different appInfo list lengths.",
                          "appInfo's 'mLocation' are different",
                          "appInfo's 'mDisplayName' are different",
                          "Can't find app info for 'c-3.0'\n",
                          "Can't find app info for 'd-1.0'\n",
                      }));

  // A registry that cannot be loaded equals nothing.
  MemoryConnector broken("plexo-5.0");
  broken.loadFails = true;
  EXPECT_FALSE(mine.isEqual(broken));
  EXPECT_FALSE(broken.isEqual(mine));
  EXPECT_FALSE(mine.validate(broken));
  EXPECT_EQ(alerts.count("other's mAppInfoList is NULL"), 1);
}

// The library's own application among the targets: its records come from
// this process, without a ping.
class OwnDiagnostics : public LibraryTest {};

TEST_F(OwnDiagnostics, TheRunningApplicationItselfAddsItsContextAndThreadRecords) {
  registry->add(appName.c_str());
  ASSERT_TRUE(start());
  stopBackground();
  VtString out;
  Velt::ArborTalk::getDiagnostics(out, false);
  const std::string records = text(out);
  const std::string r = "/" + appName + "/targets/running";
  const std::string e = r + "/" + appName;
  EXPECT_NE(records.find("/" + appName + "/targets;1;Targets;1;\n"), std::string::npos) << records;
  EXPECT_NE(records.find(e + ";1;" + appName + ";IDLE;\n"), std::string::npos) << records;
  EXPECT_NE(records.find(e + "/status;0;Status;IDLE;\n" + r + "/" + appName + "/context"),
            std::string::npos)
      << records;
  EXPECT_NE(records.find(r + "/" + appName + "/context/version;0;Version;2.0;\n"),
            std::string::npos);
  EXPECT_NE(records.find(r + "/" + appName + "/thread;1;Thread;" + appName + "#thread;\n"),
            std::string::npos);
  EXPECT_NE(records.find(r + ";1;Running;1;\n"), std::string::npos);
}

// The background thread answers "INFO" with the registry's records while
// holding its own lock; the library's diagnostics on another thread ask
// the registry first and the background thread after. Neither waits for
// the other.
TEST_F(OwnDiagnostics, RegistryRecordsOnTwoThreadsAtOnce) {
  registry->add(appName.c_str());
  ASSERT_TRUE(start());
  stopBackground();
  auto asker = port("asker");
  constexpr int kRounds = 100;
  std::thread background([&] {
    for (int i = 0; i < kRounds; ++i) {
      Velt::ArborTalk::Message m;
      m.mTarget = thread()->getSpecifier();
      m.mSender = asker->getSpecifier();
      m.mType = "ping";
      m.mSerialNumber = static_cast<uint32_t>(i + 1);
      m.setHeader(VtString("ECHO_REQUEST"), VtString("INFO"));
      m.mBody = "connector";
      VtString request;
      if (m.writeToString(request)) (void)asker->send(m.mTarget, request);
      thread()->runLocked();
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    VtString out;
    Velt::ArborTalk::getDiagnostics(out, false);
    EXPECT_NE(text(out).find("/targets/running;1;Running;1;\n"), std::string::npos);
  }
  background.join();
  auto answers = take(*asker);
  EXPECT_EQ(answers.size(), static_cast<size_t>(kRounds));
  if (!answers.empty()) {
    EXPECT_NE(bytes(answers.back()->mBody).find("/targets;1;Targets;1;\n"), std::string::npos);
  }
  deleteAll(answers);
}
