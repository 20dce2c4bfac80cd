#include <gtest/gtest.h>

#include <string>

#include "engine/CZorbPlexar.h"
#include "foundation/CString.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbXmlPairs.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using testsupport::ScriptedUI;

constexpr const char* kDerived =
    "Users/ann/Library/Application Support/Vesko/Plexar WB5/VornDerive.xml";
constexpr const char* kTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<Configuration>\r  <VariableForPlexo>\r"
    "  </VariableForPlexo>\r</Configuration>\r";

CString text(const std::string& s) {
  return CString(std::u16string(s.begin(), s.end()).c_str());
}

class ConfigFiles : public testsupport::SandboxTest {
 protected:
  ConfigFiles() { CZorbGetXMLProxy::SetInstance(&m_proxy); }
  ~ConfigFiles() override { CZorbGetXMLProxy::SetInstance(nullptr); }

  // A host folder under Applications with its "VornConfig.xml", either in
  // "Configuration" or directly in it.
  std::string host(const std::string& name, bool inConfiguration = true) {
    const std::string folder = "Applications/" + name;
    sandbox.writeFile(folder + (inConfiguration ? "/Configuration" : "") + "/VornConfig.xml",
                      "<Configuration/>");
    return folder;
  }

  testsupport::ScopedStrings m_strings{{}, {4195}};
  CZorbXmlPairsProxy m_proxy;
  ScriptedUI m_ui;
};

TEST_F(ConfigFiles, StartUpWritesTheTemplateOnceAndRegistersNothing) {
  CZorbPlexar engine(&m_ui);
  engine.ProcessVornDrivedProducts();
  EXPECT_EQ(sandbox.readFile(kDerived), kTemplate);
  EXPECT_TRUE(engine.m_derivedProducts.empty());

  // A file that is there is never rewritten.
  sandbox.writeFile(kDerived, std::string(kTemplate) + "<!-- mine -->");
  CZorbPlexar again(&m_ui);
  again.ProcessVornDrivedProducts();
  EXPECT_EQ(sandbox.readFile(kDerived), std::string(kTemplate) + "<!-- mine -->");
}

TEST_F(ConfigFiles, DerivedEntriesNeedAFolderWithAConfigurationFile) {
  host("Direct", false);
  host("Sub");
  sandbox.makeFolder("Applications/Empty");
  sandbox.writeFile(kDerived,
                    "<Configuration><VariableForPlexo>"
                    "<Data key=\"b-host\">" +
                        std::string(sandbox.posix("Applications/Sub")) +
                        "/</Data>"
                        "<Data key=\"a-host\">Disk:Applications:Direct:</Data>"
                        "<Data key=\"c-host\">Disk:Applications:Empty</Data>"
                        "<Data key=\"d-host\">$userdatafolder</Data>"
                        "</VariableForPlexo></Configuration>");
  CZorbPlexar engine(&m_ui);
  engine.ProcessVornDrivedProducts();
  CZorbPlexar::TextMap expected = {
      {text(std::string("a-host")), text(std::string("Disk:Applications:Direct"))},
      {text(std::string("b-host")), text(sandbox.posix("Applications/Sub") + "/")},
  };
  EXPECT_EQ(engine.m_derivedProducts, expected);
}

TEST_F(ConfigFiles, FolderValidity) {
  host("Direct", false);
  host("Sub");
  sandbox.makeFolder("Applications/Empty");
  CZorbPlexar engine(&m_ui);
  struct Case {
    std::string folder;
    bool valid;
    std::string out;
  } cases[] = {
      {"Disk:Applications:Direct", true, "Disk:Applications:Direct"},
      {"Disk:Applications:Direct:", true, "Disk:Applications:Direct"},
      {"Disk:Applications:Sub:", true, "Disk:Applications:Sub"},
      {"Disk:Applications:Empty:", false, "unchanged"},
      {"Disk:Applications:Missing", false, "unchanged"},
      {"", false, "unchanged"},
  };
  for (const Case& c : cases) {
    CString out = u"unchanged";
    EXPECT_EQ(engine.processValidVornConfigFile(text(c.folder), out), c.valid) << c.folder;
    EXPECT_EQ(out, text(c.out)) << c.folder;
  }
}

TEST_F(ConfigFiles, MasterFileGivesTheFirstValidFolderInKeyOrder) {
  host("Host");
  host("First");
  host("Second");
  sandbox.writeFile("Applications/Host/Configuration/VornMaster.xml",
                    "<Configuration><VariableForPlexo>"
                    "<Data key=\"c\">Disk:Applications:Second</Data>"
                    "<Data key=\"a\">Disk:Applications:Nowhere</Data>"
                    "<Data key=\"b\">Disk:Applications:First</Data>"
                    "</VariableForPlexo></Configuration>");
  CZorbPlexar engine(&m_ui);
  engine.m_masterEntry.SetAt(text(std::string("stale")), text(std::string("x")));
  engine.ProcessMasterConfigManagedProducts(u"Disk:Applications:Host", "lumen-11.0");
  CZorbPlexar::TextMap expected = {
      {text(std::string("lumen-11.0")), text(std::string("Disk:Applications:First"))}};
  EXPECT_EQ(engine.m_masterEntry, expected);
  EXPECT_EQ(engine.m_dollarTokens[text(std::string("$installfolder"))],
            text(std::string("Disk:Applications:Host")));

  // Without a master file the entry is only cleared.
  CZorbPlexar other(&m_ui);
  other.m_masterEntry.SetAt(text(std::string("stale")), text(std::string("x")));
  other.ProcessMasterConfigManagedProducts(u"Disk:Applications:First", "x");
  EXPECT_TRUE(other.m_masterEntry.empty());
}

TEST_F(ConfigFiles, ImportTwiceInAnotherCaseAsksOnceAndWritesOnce) {
  host("Some Host");
  CZorbPlexar engine(&m_ui);
  engine.ProcessVornDrivedProducts();
  ASSERT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:Some Host:"), 0);
  const std::string once = sandbox.readFile(kDerived);
  const std::string posix = sandbox.posix("Applications/Some Host");
  EXPECT_EQ(once,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<Configuration>\r  <VariableForPlexo>\r"
            "    <Data key=\"" +
                posix + "\">" + posix +
                "</Data>\r"
                "  </VariableForPlexo>\r</Configuration>\r");

  m_ui.answerMessageBox(0);
  EXPECT_EQ(engine.AddIntegratedProductByPath(u"Disk:applications:SOME HOST"), 0);
  EXPECT_EQ(sandbox.readFile(kDerived), once);
  ASSERT_EQ(m_ui.calls().size(), 1u);
  EXPECT_EQ(m_ui.calls()[0].args[0], u"4195[" + std::u16string(posix.begin(), posix.end()) + u"]");
}

TEST_F(ConfigFiles, AnImportKeepsTheUsersFileAsItWasAroundTheNewEntry) {
  // The user's own file, with a comment, in each form a user's editor may
  // have left it: the new entry takes the file's line end and nothing else
  // changes.
  struct Form {
    const char* name;
    std::string mark;
    std::string eol;
  } forms[] = {
      {"LF", "", "\n"},      {"LF with a mark", "\xEF\xBB\xBF", "\n"},
      {"CR LF", "", "\r\n"}, {"CR LF with a mark", "\xEF\xBB\xBF", "\r\n"},
      {"CR", "", "\r"},      {"CR with a mark", "\xEF\xBB\xBF", "\r"},
  };
  for (const Form& f : forms) {
    SCOPED_TRACE(f.name);
    const std::string& n = f.eol;
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + n + "<Configuration>" +
                             n + "  <!-- m\xC3\xAEne -->" + n + "  <VariableForPlexo>" + n;
    const std::string tail = "  </VariableForPlexo>" + n + "</Configuration>" + n;
    host("Some Host");
    sandbox.writeFile(kDerived, f.mark + head + tail);
    CZorbPlexar engine(&m_ui);
    ASSERT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:Some Host"), 0);
    const std::string posix = sandbox.posix("Applications/Some Host");
    const std::string entry = "    <Data key=\"" + posix + "\">" + posix + "</Data>" + n;
    EXPECT_EQ(sandbox.readFile(kDerived), f.mark + head + entry + tail);
    CZorbPlexar restarted(&m_ui);
    restarted.ProcessVornDrivedProducts();
    EXPECT_EQ(restarted.m_derivedProducts.size(), 1u);
    // A second import of the same host finds it and leaves the bytes alone.
    m_ui.answerMessageBox(0);
    CZorbPlexar again(&m_ui);
    EXPECT_EQ(again.AddIntegratedProductByPath(u"Disk:Applications:Some Host"), 0);
    EXPECT_EQ(sandbox.readFile(kDerived), f.mark + head + entry + tail);
  }
}

TEST_F(ConfigFiles, AnImportedHostIsFoundAfterARestart) {
  host("A & B");
  host("Other", false);
  {
    CZorbPlexar engine(&m_ui);
    engine.ProcessVornDrivedProducts();
    ASSERT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:A & B"), 0);
    // The movie's folders come in POSIX form.
    const std::string other = sandbox.posix("Applications/Other");
    ASSERT_EQ(engine.AddIntegratedProductByPath(text(other)), 0);
  }
  CZorbPlexar restarted(&m_ui);
  restarted.ProcessVornDrivedProducts();
  ASSERT_EQ(restarted.m_derivedProducts.size(), 2u);
  for (const auto& [key, folder] : restarted.m_derivedProducts) {
    EXPECT_EQ(key, folder);
    CString out;
    EXPECT_TRUE(restarted.processValidVornConfigFile(folder, out))
        << std::u16string(folder.Get()).size();
  }
}

TEST_F(ConfigFiles, ImportRefusesWhatItCannotListSafely) {
  host("Host");
  CZorbPlexar engine(&m_ui);
  // No "VornConfig.xml" in the folder, or a folder that cannot exist.
  sandbox.makeFolder("Applications/Plain");
  EXPECT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:Plain"), -1);
  EXPECT_EQ(engine.AddIntegratedProductByPath(u"/no/such/volume/../x"), -1);
  EXPECT_FALSE(sandbox.exists(kDerived));

  // A derived file of another shape is left as it is.
  for (const std::string& bad :
       {std::string("<Configuration><VariableForPlexo/></Configuration>"),
        std::string("<Configuration><VariableForPlexo>"), std::string("")}) {
    sandbox.writeFile(kDerived, bad);
    EXPECT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:Host"), -1) << bad;
    EXPECT_EQ(sandbox.readFile(kDerived), bad);
  }
}

TEST_F(ConfigFiles, CreateFileWithConstStringWritesOnlyNewFiles) {
  CZorbPlexar engine(&m_ui);
  engine.CreateFileWithConstString(u"", u"x");
  engine.CreateFileWithConstString(u"Disk:new.txt", u"caf\u00e9");
  EXPECT_EQ(sandbox.readFile("new.txt"), "caf\xc3\xa9");
  engine.CreateFileWithConstString(u"Disk:new.txt", u"other");
  EXPECT_EQ(sandbox.readFile("new.txt"), "caf\xc3\xa9");
}

TEST_F(ConfigFiles, TokensExpandThroughTheLowerCasedKey) {
  CZorbPlexar engine(&m_ui);
  engine.m_dollarTokens.SetAt(u"$userdatafolder", u"/home/ann/data");
  engine.m_dollarTokens.SetAt(u"$a", u"$b/x");
  engine.m_dollarTokens.SetAt(u"$b", u"/root");
  engine.m_dollarTokens.SetAt(u"$loop", u"$loop");
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"$UserDataFolder/Vesko", u"/home/ann/data/Vesko"},
      {u"$userdatafolder/a/$userdatafolder", u"/home/ann/data/a//home/ann/data"},
      {u"$a/y", u"/root/x/y"},
      {u"$unknown/$a", u"$unknown/$a"},
      {u"no token", u"no token"},
      {u"$loop", u"$loop"},
      {u"$b/$bb/$b", u"/root/$bb//root"},
  };
  for (const Case& c : cases) {
    CString value(c.in.c_str());
    engine.processTokenString(value);
    EXPECT_EQ(value, CString(c.out.c_str()));
  }
}

}  // namespace

TEST_F(ConfigFiles, AnImportLeavesAFileItCannotGiveBackWholeAlone) {
  // Read as UTF-8 these files would lose bytes on the way back: they are
  // refused and stay as they are.
  const std::string body =
      "<Configuration>\n  <VariableForPlexo>\n  </VariableForPlexo>\n</Configuration>\n";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"a Latin-1 byte", "<?xml version=\"1.0\"?>\n<!-- caf\xE9 -->\n" + body},
      {"a UTF-16 mark", "\xFE\xFF" + body},
  };
  host("Some Host");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sandbox.writeFile(kDerived, c.bytes);
    CZorbPlexar engine(&m_ui);
    EXPECT_EQ(engine.AddIntegratedProductByPath(u"Disk:Applications:Some Host"), -1);
    EXPECT_EQ(sandbox.readFile(kDerived), c.bytes);
  }
}
