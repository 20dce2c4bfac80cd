// Running hosts: asking them to quit, waiting for them, starting them
// again, and the notifications and responses sent to them.

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/CZorbHostMessenger.h"
#include "engine/CZorbPlexar.h"
#include "engine/tests/ScriptedHost.h"
#include "extension/CZorbExtension.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/Logger.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScriptedUI.h"

namespace {

using enginetest::ScriptedHost;
using testsupport::ScriptedUI;
using Question = ScriptedUI::Question;

using testsupport::LogToString;

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
  return out;
}

// Records what the engine asks of the messaging library.
class FakeMessenger : public CZorbHostMessenger {
 public:
  bool HasInstance() const override { return instance; }
  bool IsRunning(const std::string& specifier) const override {
    for (const std::string& running : runningTargets)
      if (running == specifier) return true;
    return false;
  }
  int32_t RegisteredCount() const override { return static_cast<int32_t>(registered.size()); }
  std::string RegisteredSpecifier(int32_t index) const override {
    return index >= 0 && index < RegisteredCount() ? registered[static_cast<size_t>(index)]
                                                   : std::string();
  }
  bool Send(const std::string& specifier, const std::string& body) override {
    sent.emplace_back(specifier, body);
    return sendWorks;
  }
  bool Launch(const std::string& specifier) override {
    launched.push_back(specifier);
    return true;
  }

  bool instance = true;
  bool sendWorks = true;
  std::vector<std::string> runningTargets;
  std::vector<std::string> registered;
  std::vector<std::pair<std::string, std::string>> sent;
  std::vector<std::string> launched;
};

class RunningHosts : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    Logger::resetForTest(LogToString);
    CZorbHostMessenger::SetCurrent(&messenger);
    m_savedStrings = CString::g_DataMap;
    CString::g_DataMap[4198] = "4198[%s]";
    CString::g_DataMap[4205] = "4205[%s]";
    CString::g_DataMap[4208] = "4208[%s]";
    CString::g_DataMap[4209] = "4209";
    CString::g_DataMap[4210] = "4210";
    CString::g_DataMap[4213] = "%s runs.";
    CString::g_DataMap[4214] = "Quit %s?";
    CString::g_DataMap[4215] = "Close %s?";
    host.m_arborName = u"lumen-11.0";
    host.m_quitMessage = u"-quit";
    g_isInSuppressMode = false;
    g_exitCode = 0;
  }
  void TearDown() override {
    // The engine deletes the products of its registry; these are the test's.
    engine.m_products.clear();
    g_isInSuppressMode = false;
    g_exitCode = 0;
    CString::g_DataMap = m_savedStrings;
    CZorbHostMessenger::SetCurrent(nullptr);
    Logger::finalize();
    Logger::resetForTest(nullptr);
    testsupport::CapturedLogStream() = nullptr;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const ScriptedUI::Call& call : ui.calls())
      if (call.name == "MessageBox")
        out.push_back(Narrow(call.args[0]) + " #" + Narrow(call.args[1]));
    return out;
  }
  std::string Log() const { return testsupport::CapturedLog(); }

  FakeMessenger messenger;
  ScriptedUI ui;
  CZorbPlexar engine{&ui};
  ScriptedHost host{u"Lumen 11"};
  decltype(CString::g_DataMap) m_savedStrings;
};

TEST_F(RunningHosts, AHostThatDoesNotRunIsLeftAlone) {
  host.runs({false});
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 5), 0);
  EXPECT_EQ(engine.HelpShutDownPointProduct(nullptr, relaunch, 5), 1);
  EXPECT_FALSE(relaunch);
  EXPECT_TRUE(ui.calls().empty());
  EXPECT_TRUE(messenger.sent.empty());
}

TEST_F(RunningHosts, AHostThatQuitsWithinTheWaitEndsItAtTheNextCheck) {
  // Running when asked, still at the first two checks, gone at the third.
  host.runs({true, true, true, true, false});
  ui.answerMessageBox(201);
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 10), 0);
  EXPECT_TRUE(relaunch);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Lumen 11 runs. Quit Lumen 11? #258"});
  ASSERT_EQ(messenger.sent.size(), 1u);
  EXPECT_EQ(messenger.sent[0], std::make_pair(std::string("lumen-11.0"), std::string("-quit")));
  EXPECT_EQ(sandbox.clock().sleptMs(), 3000u);
}

TEST_F(RunningHosts, AHostThatNeverQuitsIsWaitedForAtMostTheTimeGivenThenAsked) {
  host.runs({true});
  ui.answerMessageBox(104);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 4), 1);
  EXPECT_FALSE(relaunch);
  EXPECT_EQ(sandbox.clock().sleptMs(), 5000u);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Lumen 11 runs. Quit Lumen 11? #258",
                                                  "Lumen 11 runs. Close Lumen 11? #257"}));
}

TEST_F(RunningHosts, CancellingEitherQuestionLeavesRelaunchAlone) {
  host.runs({true});
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  bool relaunch = false;
  EXPECT_EQ(engine.ConfirmQuitForRunningPorduct(&host, relaunch, 5), 1);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  EXPECT_EQ(engine.ConfirmRetryForRunningPorduct(&host, relaunch), 1);
  EXPECT_FALSE(relaunch);
  EXPECT_TRUE(messenger.sent.empty());
}

TEST_F(RunningHosts, WithoutAQuitScriptThePersonIsAskedUntilTheHostIsClosed) {
  host.m_quitMessage.Empty();
  host.runs({true, true, true, false});
  ui.answerMessageBox(104);
  ui.answerMessageBox(104);
  ui.answerMessageBox(104);
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 5), 0);
  EXPECT_TRUE(relaunch);
  EXPECT_EQ(Messages().size(), 3u);
  EXPECT_EQ(sandbox.clock().sleptMs(), 0u);
}

TEST_F(RunningHosts, ACommandLineRunDoesNotWaitWithoutEnd) {
  g_isInSuppressMode = true;
  host.m_quitMessage.Empty();
  host.runs({true});
  // Whatever a run without a person answers, the host never goes away.
  ui.alwaysNumber(Question::MessageBox, 104);
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 5), 1);
  EXPECT_FALSE(relaunch);
  EXPECT_LE(Messages().size(), 2u);
}

TEST_F(RunningHosts, ShuttingDownEndsTheWaitsAsCancelled) {
  host.runs({true});
  engine.CancelWaits();
  bool relaunch = false;
  EXPECT_EQ(engine.HelpShutDownPointProduct(&host, relaunch, 30), 1);
  EXPECT_EQ(engine.ConfirmRetryForRunningPorduct(&host, relaunch), 1);
  EXPECT_TRUE(ui.calls().empty());
  engine.launchPointProduct(&host);
  EXPECT_TRUE(messenger.launched.empty());
  EXPECT_EQ(sandbox.clock().sleptMs(), 0u);
}

TEST_F(RunningHosts, RelaunchTriesAtMostTenTimes) {
  host.runs({false});
  engine.launchPointProduct(&host);
  EXPECT_EQ(messenger.launched, std::vector<std::string>(10, "lumen-11.0"));
  EXPECT_EQ(sandbox.clock().sleptMs(), 9000u);

  // Started at the third look.
  messenger.launched.clear();
  host.runs({false, false, true});
  engine.launchPointProduct(&host);
  EXPECT_EQ(messenger.launched.size(), 2u);

  // Running already, or without a messaging name: nothing is launched.
  messenger.launched.clear();
  host.runs({true});
  engine.launchPointProduct(&host);
  host.m_arborName.Empty();
  engine.launchPointProduct(&host);
  engine.launchPointProduct(nullptr);
  EXPECT_TRUE(messenger.launched.empty());
  EXPECT_NE(Log().find("PDBEntry is empty in function launchPointProduct"), std::string::npos);
}

TEST_F(RunningHosts, TheNotificationTextByteForByte) {
  CZorbExtension extension;
  extension.m_name = u"Tool";
  extension.m_typeText = u"command";
  CString text = u"unchanged";
  engine.populateNotificationByExtensionAndProduct(&extension, CZorbPlexar::kNotifyUpdate, text);
  EXPECT_EQ(text, CString(u"Notification Operation=\"Update\" Name=\"Tool\" Type=\"command\""));
  engine.populateNotificationByExtensionAndProduct(&extension, CZorbPlexar::kNotifyDisable, text);
  EXPECT_EQ(text, CString(u"Notification Operation=\"Disable\" Name=\"Tool\" Type=\"command\""));
  CString untouched = u"as it was";
  engine.populateNotificationByExtensionAndProduct(nullptr, CZorbPlexar::kNotifyEnable, untouched);
  EXPECT_EQ(untouched, CString(u"as it was"));
  EXPECT_NE(Log().find("Unexpected error when populate notification message"), std::string::npos);

  // Sent as UTF-8 to a running host's specifier.
  extension.m_name = u"T\u00f6\u00f6l";
  messenger.runningTargets = {"lumen-11.0"};
  engine.populateNotificationByExtensionAndProduct(&extension, CZorbPlexar::kNotifyEnable, text);
  engine.SendAKMessageToProduct(&host, text);
  ASSERT_EQ(messenger.sent.size(), 1u);
  EXPECT_EQ(messenger.sent[0].second,
            "Notification Operation=\"Enable\" Name=\"T\xc3\xb6\xc3\xb6l\" Type=\"command\"");
}

TEST_F(RunningHosts, TheResponseGoesToTheHostThatAskedAndIsThenForgotten) {
  engine.m_products.push_back(&host);
  messenger.runningTargets = {"lumen-11.0"};
  g_exitCode = 1;
  engine.m_notificationState = CZorbPlexar::kSourceByProductName;
  engine.m_notificationSource = u"Lumen 11";
  engine.m_responseCode = u"7";
  engine.m_lastError = u"It failed";
  engine.SendAKMessageToProduct();
  ASSERT_EQ(messenger.sent.size(), 1u);
  EXPECT_EQ(messenger.sent[0].first, "lumen-11.0");
  EXPECT_EQ(messenger.sent[0].second, "Response 1 7 It failed");
  EXPECT_EQ(engine.m_notificationState, CZorbPlexar::kNoPendingResponse);
  EXPECT_EQ(engine.m_notificationSource, CString(u"UnKnown"));
  EXPECT_EQ(engine.m_responseCode, CString(u"0"));

  // A product name that matches no installed product.
  engine.m_notificationState = CZorbPlexar::kSourceByProductName;
  engine.m_notificationSource = u"Emberly 9";
  ui.answerMessageBox(0);
  engine.SendAKMessageToProduct();
  EXPECT_EQ(Messages(), std::vector<std::string>{"4198[Emberly 9] #0"});
  EXPECT_EQ(engine.m_notificationState, CZorbPlexar::kNoPendingResponse);
  engine.m_products.clear();
}

TEST_F(RunningHosts, AHostThatCannotBeReachedIsReported) {
  ui.always(Question::MessageBox, [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
  CString specifier;
  EXPECT_FALSE(engine.checkWhetherProductHasPDBEntryAndRunning(specifier));
  specifier = u"lumen-11.0";
  EXPECT_FALSE(engine.checkWhetherProductHasPDBEntryAndRunning(specifier));
  EXPECT_NE(Log().find("4208[lumen-11.0]"), std::string::npos);
  messenger.runningTargets = {"lumen-11.0"};
  messenger.instance = false;
  EXPECT_FALSE(engine.checkWhetherProductHasPDBEntryAndRunning(specifier));
  messenger.instance = true;
  messenger.sendWorks = false;
  engine.sendRealMessageToProduct(specifier, u"hello");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"4209 #0", "4210 #0", "4205[lumen-11.0] #0"}));
}

TEST_F(RunningHosts, RegisteredEntriesAndTheHostsThatHoldAFile) {
  messenger.registered = {"emberly-11.0", "lumen-11.0"};
  EXPECT_TRUE(engine.IsExsitedPDBEntry(u"lumen-11.0"));
  EXPECT_FALSE(engine.IsExsitedPDBEntry(u"lumen-11"));
  host.m_installFolder = u"Disk:Applications:Lumen:";
  engine.m_products.push_back(&host);
  CString holder;
  host.runs({false});
  engine.getOwnFileAndRunningProduct(u"Disk:Applications:Lumen:x.dll", holder);
  EXPECT_EQ(holder.GetLength(), 0);
  host.runs({true});
  engine.getOwnFileAndRunningProduct(u"Disk:Applications:Lumen:x.dll", holder);
  EXPECT_EQ(holder, CString(u"Lumen 11"));
  CString specifier = u"stale";
  engine.caculatePDBEntryNameByProductName(u"lumen 11", specifier);
  EXPECT_EQ(specifier.GetLength(), 0) << "names compare exactly";
  engine.caculatePDBEntryNameByProductName(u"Lumen 11", specifier);
  EXPECT_EQ(specifier, CString(u"lumen-11.0"));
  engine.m_products.clear();
}

TEST_F(RunningHosts, ABusyFileNamesTheRunningHostThatHoldsIt) {
  CString::g_DataMap[4023] = "4023[%s|%s|%s]";
  CString::g_DataMap[4046] = "4046[%s]";
  host.m_installFolder = u"Disk:Applications:Lumen:";
  host.runs({true});
  engine.m_products.push_back(&host);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerCancel);
  EXPECT_EQ(engine.HelpUserFreeFile(u"Disk:Applications:Lumen:x.dll", false),
            CZorbPlexarUI::kAnswerCancel);
  ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
  EXPECT_EQ(engine.HelpUserFreeFile(u"Disk:Applications:Lumen:x.dll", true),
            CZorbPlexarUI::kAnswerRetry);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"4023[Disk:Applications:Lumen:x.dll|Lumen 11|Lumen 11] #5",
                                      "4046[Disk:Applications:Lumen:x.dll] #5"}));
  // Retry gives whoever holds the file five seconds, on the test's clock.
  EXPECT_EQ(sandbox.clock().sleptMs(), 5000u);
}

TEST_F(RunningHosts, TheProductThatHoldsAFileDecidesWhetherItMayGo) {
  host.m_installFolder = u"Disk:Applications:Lumen:";
  host.m_canDelete = false;
  engine.m_products.push_back(&host);
  EXPECT_FALSE(engine.CanDeleteFile(u"Disk:Applications:Lumen:Configuration:x.htm"));
  EXPECT_TRUE(engine.CanDeleteFile(u"Disk:Users:ann:x.htm"));
  host.m_canDelete = true;
  EXPECT_TRUE(engine.CanDeleteFile(u"Disk:Applications:Lumen:Configuration:x.htm"));
}

}  // namespace
