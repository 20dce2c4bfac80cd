#include "testsupport/FakeMachine.h"

#include <gtest/gtest.h>

#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/StringUtil.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/Specifier.h"
#include "platform/os/Applications.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"

using testsupport::FakeHost;
using testsupport::FakeMachine;

namespace {

std::string text(const Velt::VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

FakeHost loomwright() {
  FakeHost host;
  host.name = "Vesko Loomwright WB5";
  host.folder = "Applications/Vesko Loomwright Marlin";
  host.signature = "LmWt";
  host.version = "11.0.2";
  host.specifier = "loomwright-11.0";
  host.config = {{"productname", "Loomwright"}, {"Odd & <Key>", "a \"b\" 'c' <d> & e"}};
  return host;
}

bool runningBySignature(const char (&signature)[5]) {
  return CZorbOS::IsAppRunning(platform::fourCC(signature), CZorbVersionNumber(u"1.0"),
                               CZorbVersionNumber(u"99.0"), nullptr);
}

}  // namespace

TEST(FakeMachine, InstallsAHostWithItsBundleConfigurationAndRegistration) {
  FakeMachine machine;
  const FakeMachine::Host& host = machine.addHost(loomwright());

  EXPECT_EQ(host.installFolder, machine.root() + "/Applications/Vesko Loomwright Marlin");
  EXPECT_EQ(host.bundle, host.installFolder + "/Vesko Loomwright WB5.app");
  EXPECT_EQ(host.installFolderColon(), u"Disk:Applications:Vesko Loomwright Marlin:");
  platform::BundleInfo info;
  ASSERT_EQ(platform::readBundle(host.bundle, info), platform::noErr);
  EXPECT_EQ(info.signature, "LmWt");
  EXPECT_EQ(info.identifier, "com.vesko.veskoloomwrightwb5");
  EXPECT_EQ(info.shortVersion, "11.0.2");
  EXPECT_TRUE(platform::hasRunnableExecutable(info));

  // The configuration file reads back, special characters and all.
  EXPECT_EQ(host.configFile, host.installFolder + "/Configuration/VornConfig.xml");
  CZorbXmlPairs::Pairs pairs;
  CString path;
  StringUtil::convertStringToWide(host.configFile, path);
  ASSERT_EQ(CZorbXmlPairs::Read(path, u"Configuration.VariableForPlexo.Data", pairs),
            CZorbXmlPairs::kPairs);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[CString(u"productname")], u"Loomwright");
  EXPECT_EQ(pairs[CString(u"Odd & <Key>")], u"a \"b\" 'c' <d> & e");

  // The messaging library finds it through the product database.
  EXPECT_EQ(text(Velt::ArborTalk::Specifier("loomwright-11.0", false).getApplicationPath()),
            host.bundle);
  EXPECT_EQ(text(Velt::ArborTalk::Specifier("lumen-11.0", false).getApplicationPath()), "");
  // Found by its signature within its version range, as hosts without a
  // messaging name are.
  char16_t found[2048] = u"";
  ASSERT_TRUE(CZorbOS::FindApp(platform::fourCC("LmWt"), CZorbVersionNumber(u"11.0"),
                               CZorbVersionNumber(u"12.0"), found));
  EXPECT_EQ(std::u16string(found), host.installFolderColon() + u"Vesko Loomwright WB5.app");
  EXPECT_FALSE(CZorbOS::FindApp(platform::fourCC("LmWt"), CZorbVersionNumber(u"10.0"),
                                CZorbVersionNumber(u"11.0"), found));
  EXPECT_EQ(machine.host("Vesko Loomwright WB5"), &host);
  EXPECT_EQ(machine.host("Other"), nullptr);
}

TEST(FakeMachine, ConfigurationCanLieInTheInstallFolderOrNowhere) {
  FakeMachine machine;
  FakeHost top = loomwright();
  top.configInInstallFolder = true;
  EXPECT_EQ(machine.addHost(top).configFile,
            machine.root() + "/Applications/Vesko Loomwright Marlin/VornConfig.xml");
  FakeHost none;
  none.name = "Bare";
  EXPECT_EQ(machine.addHost(none).configFile, "");
  EXPECT_FALSE(machine.exists("Applications/Configuration"));
}

TEST(FakeMachine, HostsAddedLaterAreFoundByTheRegistry) {
  FakeMachine machine;
  machine.addHost(loomwright());
  EXPECT_NE(text(Velt::ArborTalk::Specifier("loomwright-11.0", false).getApplicationPath()), "");
  FakeHost lumen;
  lumen.name = "Vesko Lumen WB5";
  lumen.specifier = "lumen-11.0";
  const std::string bundle = machine.addHost(lumen).bundle;
  EXPECT_EQ(text(Velt::ArborTalk::Specifier("lumen-11.0", false).getApplicationPath()), bundle);
  machine.registerApplication("tool-1.0", "/Elsewhere/Tool.app");
  EXPECT_EQ(text(Velt::ArborTalk::Specifier("tool-1.0", false).getApplicationPath()),
            "/Elsewhere/Tool.app");
}

TEST(FakeMachine, RunningHostsShowAsProcessesAndAnswerPings) {
  FakeMachine machine;
  machine.addHost(loomwright());
  FakeHost unregistered;
  unregistered.name = "Emberly";
  unregistered.signature = "EmBr";
  unregistered.version = "9.0";
  machine.addHost(unregistered);

  EXPECT_FALSE(runningBySignature("LmWt"));
  EXPECT_EQ(machine.ping("loomwright-11.0"), "ISNOTRUNNING");
  EXPECT_EQ(machine.ping("nothing-1.0"), "ISNOTINSTALLED");

  machine.setRunning("Vesko Loomwright WB5", true);
  machine.setRunning("Emberly", true);
  EXPECT_TRUE(runningBySignature("LmWt"));
  EXPECT_TRUE(runningBySignature("EmBr"));
  EXPECT_EQ(machine.ping("Loomwright-11.0"), "ECHO_RESPONSE");
  EXPECT_EQ(FakeMachine::current(), &machine);
  EXPECT_EQ(FakeMachine::pingCurrent("loomwright-11.0", nullptr, 2), "ECHO_RESPONSE");
  EXPECT_EQ(machine.ping("emberly"), "ISNOTINSTALLED");  // has no messaging name

  // Pretended processes carry ids no real process has.
  for (const platform::RunningProcess& p : platform::runningProcesses()) {
    if (p.bundlePath == machine.host("Emberly")->bundle) {
      EXPECT_GE(p.pid, platform::kFirstPretendedPid);
    }
  }

  machine.setPingAnswer("loomwright-11.0", "ECHO_RESPONSE ");
  EXPECT_EQ(machine.ping("loomwright-11.0"), "ECHO_RESPONSE ");
  machine.setRunning("Vesko Loomwright WB5", false);
  EXPECT_FALSE(runningBySignature("LmWt"));
  EXPECT_TRUE(runningBySignature("EmBr"));
  EXPECT_EQ(machine.pings(),
            (std::vector<std::string>{"loomwright-11.0", "nothing-1.0", "Loomwright-11.0",
                                      "loomwright-11.0", "emberly", "loomwright-11.0"}));
}

TEST(FakeMachine, MarkersPreferencesAndUsers) {
  FakeMachine machine;
  EXPECT_EQ(gAppPath, machine.appFolder());
  machine.setProgramMarker("Flag.useOld", true);
  EXPECT_TRUE(machine.exists("Applications/Plexar.app/Contents/MacOS/Flag.useOld"));
  machine.setProgramMarker("Flag.useOld", false);
  EXPECT_FALSE(machine.exists("Applications/Plexar.app/Contents/MacOS/Flag.useOld"));

  machine.writePreferences("Lumen WB3 Preferences", {"Settings", "Language"}, "de & fr");
  EXPECT_EQ(machine.readFile("Users/ann/Library/Preferences/Lumen WB3 Preferences"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PREFERENCES><Settings><Language>de "
            "&amp; fr</Language></Settings></PREFERENCES>\n");

  machine.addUser("bob");
  EXPECT_TRUE(machine.isFolder("Users/bob/Library/Application Support"));
  EXPECT_TRUE(machine.isFolder("Users/bob/Library/Preferences"));
}

TEST(FakeMachine, LeavesNothingBehind) {
  const std::string appPath = gAppPath;
  std::string bundle;
  {
    FakeMachine machine;
    machine.addHost(loomwright());
    machine.setRunning("Vesko Loomwright WB5", true);
    bundle = machine.host("Vesko Loomwright WB5")->bundle;
  }
  EXPECT_EQ(gAppPath, appPath);
  EXPECT_EQ(Velt::ArborTalkConnector::get(), nullptr);
  EXPECT_EQ(FakeMachine::current(), nullptr);
  EXPECT_EQ(FakeMachine::pingCurrent("loomwright-11.0", nullptr, 2), "ISNOTRUNNING");
  for (const platform::RunningProcess& p : platform::runningProcesses())
    EXPECT_NE(p.bundlePath, bundle);
}
