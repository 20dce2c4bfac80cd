#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "foundation/AppGlobals.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/CString.h"
#include "foundation/Logger.h"
#include "testsupport/SandboxMachine.h"

namespace {

// A sandboxed program folder with its strings files; the string table,
// gAppPath and the locale code are put back afterwards.
class StringTableTest : public testsupport::SandboxTest {
 protected:
  StringTableTest()
      : m_savedPath(gAppPath), m_savedCode(CStartupCLIParser::getInstance()->getLocaleCode()) {
    CString::g_DataMap.clear();
    gAppPath = sandbox.appFolder();
  }
  ~StringTableTest() override {
    CString::g_DataMap.clear();
    gAppPath = m_savedPath;
    CStartupCLIParser::getInstance()->setLocaleCode(m_savedCode);
  }

  // Writes Resources/<lang>.lproj/Localizable.strings.
  void writeStrings(const std::string& lang, const std::string& text) {
    sandbox.writeFile(
        "Applications/Plexar.app/Contents/Resources/" + lang + ".lproj/Localizable.strings", text);
  }
  void load(const char16_t* locale) {
    CStartupCLIParser::getInstance()->setLocaleCode(CString(locale));
    CString::processStringDataMap();
  }
  static CString text(unsigned id) {
    CString s(u"<none>");
    s.LoadString(id);
    return s;
  }

 private:
  std::string m_savedPath;
  CString m_savedCode;
};

}  // namespace

TEST_F(StringTableTest, LoadStringWithoutATable) {
  CString s(u"before");
  EXPECT_FALSE(s.LoadString(4039));
  EXPECT_EQ(s, CString(u"before"));
  writeStrings("en", "\"1\" = \"one\";\n");
  load(u"en_US");
  EXPECT_FALSE(s.LoadString(4039));
  EXPECT_EQ(s, CString(u"before"));
  EXPECT_TRUE(s.LoadString(1));
  EXPECT_EQ(s, CString(u"one"));
}

TEST_F(StringTableTest, EntriesAndEscapes) {
  writeStrings("en",
               "\"4039\" = \"Done\";\n"
               "\"4040\" = \"Say \\\"hi\\\"\\rand \\'bye\\'\";\n"
               "\"4041\" = \"keep \\n and \\\\ as written\";\n"
               "\"4042\"=\"tight\";\n"
               "\"4043\" = \"first\";\r\n"
               "\"4044\" = \"after a two-unit line end\";\r\n"
               "\"4043\" = \"again\";\n"
               "/* a comment */ \"4045\" = \"after a comment\";\n"
               "// a line comment\n"
               "\"4046\" = \"semi;colon and = inside\";\"4047\" = \"no line end between\";\n"
               "\t \"4048\"   =\t\"spaced\"  ;\n"
               "junk line\n"
               "\"abc\" = \"no digits\";\n"
               "\"4049\" = \"caf\xC3\xA9 \xE4\xB8\xAD\";\n"
               "\"4050\" = \"last, without a line end\";");
  load(u"en_US");
  EXPECT_EQ(text(4039), CString(u"Done"));
  EXPECT_EQ(text(4040), CString(u"Say \"hi\"\rand 'bye'"));
  EXPECT_EQ(text(4041), CString(u"keep \\n and \\\\ as written"));
  EXPECT_EQ(text(4042), CString(u"tight"));
  EXPECT_EQ(text(4043), CString(u"again"));  // a repeated id: the later text
  EXPECT_EQ(text(4044), CString(u"after a two-unit line end"));
  EXPECT_EQ(text(4045), CString(u"after a comment"));
  EXPECT_EQ(text(4046), CString(u"semi;colon and = inside"));
  EXPECT_EQ(text(4047), CString(u"no line end between"));
  EXPECT_EQ(text(4048), CString(u"spaced"));
  EXPECT_EQ(text(0), CString(u"no digits"));
  EXPECT_EQ(text(4049), CString(u"caf\u00e9 \u4e2d"));
  EXPECT_EQ(text(4050), CString(u"last, without a line end"));
  EXPECT_EQ(text(403), CString(u"<none>"));
}

TEST_F(StringTableTest, AnUnterminatedTextEndsTheReading) {
  struct Case {
    const char* label;
    const char* file;
    const char16_t* texts[4];  // of ids 1 to 4; null when absent
  } cases[] = {
      // The text of 2 runs on to the quote that opens the next id, which is
      // lost with the rest of its line; the lines after it are read again.
      {"closed by the next entry",
       "\"1\" = \"one\";\n\"2\" = \"two;\n\"3\" = \"three\";\n\"4\" = \"four\";\n",
       {u"one", u"two;\n", nullptr, u"four"}},
      // No quote follows: the text is dropped and nothing more is read.
      {"open at the end",
       "\"1\" = \"one\";\n\"2\" = \"two;\n3 = three;\n",
       {u"one", nullptr, nullptr, nullptr}},
      {"an escaped quote keeps it open",
       "\"1\" = \"a\\\";\n\"2\" = \"b\";\n",
       {u"a\";\n", nullptr, nullptr, nullptr}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    CString::g_DataMap.clear();
    gAppPath = sandbox.appFolder();
    writeStrings("en", c.file);
    load(u"en");
    for (unsigned id = 1; id <= 4; ++id)
      EXPECT_EQ(text(id), CString(c.texts[id - 1] ? c.texts[id - 1] : u"<none>")) << id;
  }
}

TEST_F(StringTableTest, LanguageFolderOfTheLocale) {
  struct Case {
    const char16_t* locale;
    const char* folder;
  } cases[] = {
      {u"nb_NO", "no"},    {u"zh_TW", "zh_TW"}, {u"zh_CN", "zh_CN"}, {u"uk_UA", "uk_UA"},
      {u"el_GR", "el_GR"}, {u"fr_FR", "fr"},    {u"ja_JP", "ja"},    {u"en_US", "en"},
  };
  writeStrings("en", "\"1\" = \"en\";\n");
  for (const auto& c : cases) {
    writeStrings(c.folder, std::string("\"1\" = \"") + c.folder + "\";\n");
    CString::g_DataMap.clear();
    gAppPath = sandbox.appFolder();
    load(c.locale);
    CString expected;
    for (const char* p = c.folder; *p; ++p) expected += static_cast<char16_t>(*p);
    EXPECT_EQ(text(1), expected) << c.folder;
  }
  // zh_HK has no folder of its own: "zh" is looked for, then English.
  CString::g_DataMap.clear();
  gAppPath = sandbox.appFolder();
  load(u"zh_HK");
  EXPECT_EQ(text(1), CString(u"en"));
}

TEST_F(StringTableTest, AppPathBecomesTheResourcesFolder) {
  writeStrings("en", "\"1\" = \"one\";\n");
  load(u"en_US");
  std::string resources = sandbox.posix("Applications/Plexar.app/Contents/Resources");
  EXPECT_EQ(gAppPath, resources);
  EXPECT_EQ(text(1), CString(u"one"));
  // A second call finds the same folder; the table keeps what it had.
  writeStrings("en", "\"2\" = \"two\";\n");
  load(u"en_US");
  EXPECT_EQ(gAppPath, resources);
  EXPECT_EQ(text(1), CString(u"one"));
  EXPECT_EQ(text(2), CString(u"two"));
}

TEST_F(StringTableTest, NothingLoadsWithoutAUsablePath) {
  writeStrings("en", "\"1\" = \"one\";\n");
  gAppPath.clear();
  load(u"en_US");
  EXPECT_TRUE(CString::g_DataMap.empty());
  gAppPath = "no-slash";
  load(u"en_US");
  EXPECT_TRUE(CString::g_DataMap.empty());
  EXPECT_EQ(gAppPath, "no-slash");
  // No strings file at all.
  gAppPath = sandbox.posix("Users/");
  load(u"en_US");
  EXPECT_TRUE(CString::g_DataMap.empty());
}

TEST_F(StringTableTest, NorwegianIsLogged) {
  static std::ostringstream* log = nullptr;
  Logger::resetForTest([]() -> Logger* {
    auto stream = std::make_unique<std::ostringstream>();
    log = stream.get();
    auto* logger = new Logger(std::move(stream));
    logger->setOn(Logger::kDebug, true);
    return logger;
  });
  writeStrings("no", "\"1\" = \"norsk\";\n");
  load(u"nb_NO");
  EXPECT_EQ(text(1), CString(u"norsk"));
  ASSERT_NE(log, nullptr);
  EXPECT_NE(log->str().find("(MacString,53) -1\n"), std::string::npos) << log->str();
  Logger::finalize();
  Logger::resetForTest(nullptr);
}

TEST(ShippedStrings, EveryTextTheProgramAsksFor) {
  // The strings as the build lays them out beside the program.
  std::string saved = gAppPath;
  CString savedCode = CStartupCLIParser::getInstance()->getLocaleCode();
  CString::g_DataMap.clear();
  gAppPath = std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/MacOS/";
  CStartupCLIParser::getInstance()->setLocaleCode(CString(u"en_US"));
  CString::processStringDataMap();

  std::vector<unsigned> ids = {2015, 2016, 2017};
  for (unsigned id = 4000; id <= 4236; ++id) {
    // Ids the program never asks for.
    static const unsigned unused[] = {4025, 4033, 4035, 4037, 4041, 4044, 4045, 4049, 4050, 4054,
                                      4055, 4056, 4058, 4059, 4060, 4064, 4088, 4095, 4100, 4104,
                                      4105, 4110, 4111, 4113, 4114, 4116, 4149, 4152, 4153, 4158,
                                      4169, 4175, 4176, 4177, 4182, 4192, 4207, 4230};
    if (std::find(std::begin(unused), std::end(unused), id) == std::end(unused)) ids.push_back(id);
  }
  for (unsigned id = 5000; id <= 5028; ++id) ids.push_back(id);
  // Messages added for failures the original texts did not cover.
  for (unsigned id : {4237u, 4238u, 4239u, 4440u}) ids.push_back(id);
  for (unsigned id : ids) {
    CString s;
    EXPECT_TRUE(s.LoadString(id)) << id;
    EXPECT_GT(s.GetLength(), 0) << id;
  }
  EXPECT_EQ(CString::g_DataMap.size(), ids.size());

  CString::g_DataMap.clear();
  gAppPath = saved;
  CStartupCLIParser::getInstance()->setLocaleCode(savedCode);
}
