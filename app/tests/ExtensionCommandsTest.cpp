// The remove, enable and disable commands: their arguments, which product
// and extension they act on, and the one-digit replies.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CCommandFactory.h"
#include "app/CRemoveExCommand.h"
#include "app/PlexarEngine.h"
#include "app/tests/MovieTestSupport.h"
#include "extension/CZorbExtension.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TestProduct.h"

namespace {

using Texts = std::vector<std::string>;
using testsupport::ScriptedUI;
using testsupport::TestProduct;

class ExtensionCommands : public movietest::MovieTest {
 protected:
  void SetUp() override {
    MovieTest::SetUp();
    CTAMBFrontController::m_manager = &m_engine;
    m_engine.SetUI(&m_ui);
    m_ui.always(ScriptedUI::Question::MessageBox, [this](const ScriptedUI::Call& call) {
      m_shown.push_back(call.args.empty() ? std::u16string() : call.args[0]);
      ScriptedUI::Answer answer;
      answer.number = CZorbPlexarUI::kAnswerYes;
      return answer;
    });
    m_sandbox.makeFolder("Store");
    m_sandbox.makeFolder("Ext");
  }
  void TearDown() override {
    CTAMBFrontController::m_manager = nullptr;
    MovieTest::TearDown();
  }

  TestProduct* add(const std::u16string& name) {
    auto* product = new TestProduct(name);
    product->m_pxStorePath = m_sandbox.colon("Store").c_str();
    product->m_extensionsFolder = m_sandbox.colon("Ext/");
    m_engine.plexar().m_products.push_back(product);
    return product;
  }
  // An extension installed in the product with no files.
  CZorbExtension* install(TestProduct* product, const char16_t* file, const char16_t* version) {
    auto* extension = new CZorbExtension;
    extension->m_name = u"Tool";
    extension->m_path = CString(m_sandbox.colon("Ext/").c_str()) + file;
    extension->m_version = version;
    extension->m_enabled = true;
    m_engine.plexar().AddExtension(product, extension);
    return extension;
  }

  // Makes the command for the call, parses the arguments and, when they
  // pass, runs it; what it sent.
  Texts run(const char* call, Texts args, bool* parsed = nullptr) {
    return movietest::runCommand(m_sink, call, std::move(args), parsed);
  }

  testsupport::SandboxMachine m_sandbox;
  testsupport::ScopedStrings m_strings{{4145, 4146, 4174}, {4197, 4202, 4203, 4180}, {4173}};
  movietest::RecordingSink m_sink;
  ScriptedUI m_ui;
  PlexarEngine m_engine;
  std::vector<std::u16string> m_shown;
};

const char* const kCalls[] = {"externalRemoveExtension", "externalEnableExtension",
                              "externalDisableExtension"};

TEST_F(ExtensionCommands, AWrongArgumentCountGetsNoReply) {
  for (const char* call : kCalls) {
    for (const Texts& args : {Texts{"Host", "", "Tool.kxi", "1.0"},
                              Texts{"Host", "", "Tool.kxi", "1.0", "30", "extra"}}) {
      SCOPED_TRACE(std::string(call) + " with " + std::to_string(args.size()) + " arguments");
      bool parsed = true;
      EXPECT_EQ(run(call, args, &parsed), Texts{});
      EXPECT_FALSE(parsed);
    }
  }
}

TEST_F(ExtensionCommands, ArgumentsAndTheTimeOut) {
  struct Case {
    const char* text;
    int32_t timeOut;
  };
  for (const Case& c : {Case{"0", 30}, Case{"letters", 30}, Case{"", 30}, Case{"12", 12},
                        Case{"99999999999999999999", 30}}) {
    SCOPED_TRACE(c.text);
    CRemoveExCommand command;
    command.setArguments(
        makeArguments({"-7", "Host \xC3\xA9", "x", "T\xC3\xB6ol.kxi", "1.0", c.text}));
    ASSERT_TRUE(command.parseArguments());
    EXPECT_EQ(command.timeOut(), c.timeOut);
    EXPECT_EQ(command.productName(), u"Host \u00e9");
    EXPECT_EQ(command.secondText(), u"x");
    EXPECT_EQ(command.descriptionFileName(), u"T\u00f6ol.kxi");
    EXPECT_EQ(command.version(), u"1.0");
  }
}

TEST_F(ExtensionCommands, ProductsAndExtensionsThatAreNotFoundAnswerOne) {
  TestProduct* host = add(u"Host");
  install(host, u"Tool.kxi", u"1.0");
  add(u"Emberly 4");
  install(add(u"emberly 3"), u"Tool.kxi", u"1.0");
  add(u"Gone")->m_installed = false;
  struct Case {
    const char* name;
    Texts args;
    size_t shown;
  };
  const std::vector<Case> cases = {
      {"excluded host", {"Emberly 4", "", "Tool.kxi", "1.0", "30"}, 0},
      {"excluded host in another case", {"emberly 3", "", "Tool.kxi", "1.0", "30"}, 0},
      {"product name in another case", {"host", "", "Tool.kxi", "1.0", "30"}, 0},
      {"not installed", {"Gone", "", "Tool.kxi", "1.0", "30"}, 0},
      {"other version", {"Host", "", "Tool.kxi", "2.0", "30"}, 1},
      {"other file", {"Host", "", "Other.kxi", "1.0", "30"}, 1},
  };
  for (const char* call : kCalls) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(call) + ": " + c.name);
      m_shown.clear();
      EXPECT_EQ(run(call, c.args), (Texts{"-7", "1"}));
      ASSERT_EQ(m_shown.size(), c.shown);
      if (c.shown) {
        EXPECT_EQ(m_shown[0].substr(0, 5), u"4197[");
      }
    }
  }
}

TEST_F(ExtensionCommands, TheOperationsResultIsTheReply) {
  TestProduct* host = add(u"Host");
  // The description's name in another case still finds it.
  CZorbExtension* tool = install(host, u"Tool.kxi", u"1.0");
  tool->m_locked = true;
  EXPECT_EQ(run("externalRemoveExtension", {"Host", "", "TOOL.KXI", "1.0", "30"}),
            (Texts{"-7", "2"}));
  EXPECT_EQ(run("externalDisableExtension", {"Host", "", "tool.kxi", "1.0", "30"}),
            (Texts{"-7", "2"}));
  tool->m_locked = false;

  // The kept package is missing: the person agrees to disable anyway.
  m_shown.clear();
  EXPECT_EQ(run("externalDisableExtension", {"Host", "", "Tool.kxi", "1.0", "0"}),
            (Texts{"-7", "0"}));
  ASSERT_FALSE(m_shown.empty());
  EXPECT_EQ(m_shown[0].substr(0, 5), u"4173[");
  EXPECT_FALSE(tool->m_enabled);

  EXPECT_EQ(run("externalRemoveExtension", {"Host", "", "Tool.kxi", "1.0", "30"}),
            (Texts{"-7", "0"}));
  CZorbTypedList<CZorbExtension*> left;
  m_engine.plexar().GetExtensions(host, &left);
  EXPECT_TRUE(left.empty());
}

}  // namespace
