#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionToken.h"
#include "foundation/CString.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using testsupport::ScriptedUI;

void addToken(CZorbExtension& extension, const char16_t* name, const char16_t* definition) {
  auto* token = new CZorbExtensionToken;
  token->m_name = name;
  token->m_definition = definition;
  extension.m_tokens.m_children.push_back(token);
}

class Tokens : public ::testing::Test {
 protected:
  Tokens() {
    m_engine.m_systemTokens.SetAt(u"system", u"Disk:System:");
    m_engine.m_systemTokens.SetAt(u"fonts", u"Disk:Library:Fonts:");
    m_engine.m_systemTokens.SetAt(u"userlibraryfolder", u"Disk:Users:ann:Library:");
    m_engine.m_systemTokens.SetAt(u"suiteversion", u"WB5");
    m_engine.m_sourceRoot = u"Disk:tmp:ins:";
    addToken(m_extension, u"Chosen", u"Disk:Users:ann:Sites");
    addToken(m_extension, u"ToSystem", u"$system/Extra");
    addToken(m_extension, u"Absolute", u"Disk:etc");
    addToken(m_extension, u"Climbs", u"$system:..:..:etc");
    addToken(m_extension, u"Relative", u"Somewhere:Else");
    addToken(m_extension, u"Loop", u"$loop");
    addToken(m_extension, u"$Written", u"$system/Written");
    m_engine.AddChosenFolder(u"Disk:Users:ann:Sites");
    m_ui.always(ScriptedUI::Question::MessageBox,
                [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
  }

  struct Result {
    int code;
    std::u16string destination;
  };
  Result localize(const std::u16string& destination, const std::u16string& source = u"a.js") {
    CZorbPath dest(CString(destination.c_str()));
    const CZorbPath src(CString(source.c_str()));
    const int code = m_engine.LocalizeDestination(dest, nullptr, src, CZorbPath(), &m_extension,
                                                  CString(), CString());
    return {code, std::u16string(dest.Get())};
  }

  testsupport::ScopedStrings m_strings{{4043}, {4047}};
  ScriptedUI m_ui;
  CZorbPlexar m_engine{&m_ui};
  CZorbExtension m_extension;
};

TEST_F(Tokens, DestinationTable) {
  struct Case {
    std::u16string destination;
    int code;
    std::u16string out;  // empty: not checked
  } cases[] = {
      // System tokens, in any case, with the file name appended once.
      {u"$System/Scripts", 0, u"Disk:System:Scripts:a.js"},
      {u"$fonts", 0, u"Disk:Library:Fonts:a.js"},
      {u"$fonts/A.JS", 0, u"Disk:Library:Fonts:a.js"},
      // User-defined: a folder a person chose, and a chain to a system token.
      {u"$chosen/x", 0, u"Disk:Users:ann:Sites:x:a.js"},
      {u"$tosystem", 0, u"Disk:System:Extra:a.js"},
      // A name the description writes with its "$".
      {u"$written/x", 0, u"Disk:System:Written:x:a.js"},
      // Unknown tokens, and a chain past ten tokens.
      {u"$nowhere/x", -6, u""},
      {u"$loop", -6, u""},
      // Refused: package definitions that name a folder or climb, and
      // destinations that leave their folder or name none of ours.
      {u"$absolute", -1, u""},
      {u"$relative", -1, u""},
      {u"$climbs", -1, u""},
      {u"$system/../../etc", -1, u""},
      {u"$system::etc", -1, u""},
      {u"Disk:etc", -1, u""},
      {u"::Library", -1, u""},
      {u"", -1, u""},
      // Without a token a folder of ours comes back as a folder.
      {u":Disk:System:Sub", 0, u"Disk:System:Sub:"},
      {u"Disk:Users:ann:Sites:a.js", 0, u"Disk:Users:ann:Sites:"},
      {u"Disk:Users:ann:SitesX", -1, u""},
  };
  for (const Case& c : cases) {
    const Result r = localize(c.destination);
    EXPECT_EQ(r.code, c.code) << std::string(c.destination.begin(), c.destination.end());
    if (!c.out.empty()) {
      EXPECT_EQ(r.destination, c.out);
    }
  }
}

TEST_F(Tokens, ARefusalTellsTheUserOnce) {
  EXPECT_EQ(localize(u"$absolute/x").code, -1);
  const auto calls = m_ui.calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args, (std::vector<std::u16string>{u"4047[Disk:etc] 4043", u"0", u"1"}));
  // An unknown token is the caller's to report.
  EXPECT_EQ(localize(u"$nowhere").code, -6);
  EXPECT_EQ(m_ui.calls().size(), 1u);
}

TEST_F(Tokens, SourcesStayInTheUnpackFolder) {
  struct Case {
    std::u16string source;
    int code;
    std::u16string out;
  } cases[] = {
      {u"dir/a.js", 0, u"Disk:tmp:ins:dir:a.js"},
      {u"dir\\a.js", 0, u"Disk:tmp:ins:dir:a.js"},
      {u"/dir/a.js", 0, u"Disk:tmp:ins:dir:a.js"},
      {u"", 0, u""},
      {u"../a.js", -1, u""},
      {u"dir/../../a.js", -1, u""},
      {u"dir//a.js", -1, u""},
      {u"::a.js", -1, u""},
  };
  for (const Case& c : cases) {
    CZorbPath source(CString(c.source.c_str()));
    EXPECT_EQ(m_engine.LocalizeSource(source), c.code)
        << std::string(c.source.begin(), c.source.end());
    if (c.code == 0) {
      EXPECT_EQ(std::u16string(source.Get()), c.out);
    }
  }
  // Without an unpack folder a source stays as the description gives it.
  m_engine.m_sourceRoot.Empty();
  CZorbPath plain(CString(u"/dir/a.js"));
  EXPECT_EQ(m_engine.LocalizeSource(plain), 0);
  EXPECT_EQ(plain, CString(u":dir:a.js"));
  m_engine.m_sourceRoot = u"Disk:tmp:ins:";

  CZorbPath source(CString(u"../x"));
  CZorbPath destination(CString(u"$system"));
  EXPECT_EQ(m_engine.LocalizeFiles(source, destination, nullptr, CZorbPath(), &m_extension,
                                   CString(), CString()),
            -1);
}

TEST_F(Tokens, FilesInsideCopiedFolders) {
  CString a;
  CString b;
  CZorbPlexar::getFullFolderPath(u"/tmp/pkg/Lib/sub/f.js", u"/tmp/pkg/Lib", u"Disk:A:Lib",
                                 u"Disk:B:Lib", a, b);
  EXPECT_EQ(a, CString(u"Disk:A:Lib:sub:f.js"));
  EXPECT_EQ(b, CString(u"Disk:B:Lib:sub:f.js"));

  CZorbPath plugin;
  CZorbPlexar::getPluginPath(u"/tmp/pkg/Lib/f.js", u"", u"x", u"Disk:B:f.js", plugin);
  EXPECT_EQ(plugin, CString(u"Disk:B:f.js"));
  CZorbPlexar::getPluginPath(u"/tmp/pkg/Lib/f.js", u"/tmp/pkg/Lib", u"x", u"Disk:B:Lib", plugin);
  EXPECT_EQ(plugin, CString(u"Disk:B:Lib:f.js"));

  struct Case {
    std::u16string full, prefix, path, out;
  } cases[] = {
      {u"/p/sub/deeper/f.js", u"/p", u"Disk:D:sub:deeper:", u"Disk:D:"},
      {u"/p/f.js", u"/p", u"Disk:D:", u"Disk:D:"},
      {u"/pf.js", u"/p", u"Disk:D:", u"Dis"},
      {u"/p", u"/p/longer", u"Disk:D:", u"Disk:D:"},
  };
  for (const Case& c : cases) {
    CString path(c.path.c_str());
    CZorbPlexar::handleOrignalDestination(c.full.c_str(), c.prefix.c_str(), path);
    EXPECT_EQ(std::u16string(path.Get()), c.out);
  }
}

}  // namespace
