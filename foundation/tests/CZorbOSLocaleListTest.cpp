#include <gtest/gtest.h>

#include <sstream>

#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/MuiLocales.h"

namespace {

using List = std::vector<std::string>;

class LocaleListTest : public ::testing::Test {
 protected:
  LocaleListTest() { CZorbOS::ResetLocaleListForTest(); }
  ~LocaleListTest() override {
    CZorbOS::ResetLocaleListForTest();
    MuiForceOrderOfOsLocales({});
  }
};

// Logging on into a string for one test.
class CapturedLog {
 public:
  CapturedLog() {
    Logger::resetForTest([]() -> Logger* {
      auto stream = std::make_unique<std::ostringstream>();
      s_text = stream.get();
      auto* logger = new Logger(std::move(stream));
      logger->setOn(Logger::kDebug, true);
      return logger;
    });
  }
  ~CapturedLog() {
    Logger::finalize();
    Logger::resetForTest(nullptr);
  }
  std::string text() const { return s_text ? s_text->str() : ""; }

 private:
  static inline std::ostringstream* s_text = nullptr;
};

}  // namespace

TEST_F(LocaleListTest, ItemsAreSplitAtCommasAndTrimmed) {
  CZorbOS::setLocaleList("en_US,de_DE");
  EXPECT_EQ(CZorbOS::m_LocaleListString, (List{"en_US", "de_DE"}));
  CZorbOS::setLocaleList("fr_FR");
  EXPECT_EQ(CZorbOS::m_LocaleListString, (List{"en_US", "de_DE", "fr_FR"}));
  CZorbOS::setLocaleList("");
  EXPECT_EQ(CZorbOS::m_LocaleListString.size(), 3u);

  // Items of other lengths, blanks and empty items.
  CZorbOS::ResetLocaleListForTest();
  CZorbOS::setLocaleList(" en_US , ja ,, zh_Hant_TW,\tpt_BR ,");
  EXPECT_EQ(CZorbOS::m_LocaleListString, (List{"en_US", "ja", "zh_Hant_TW", "pt_BR"}));
}

TEST_F(LocaleListTest, ValidLanguageIsAnExactMatch) {
  CapturedLog log;
  CZorbOS::setLocaleList("en_US,de_DE");
  EXPECT_TRUE(CZorbOS::isValidLang("de_DE"));
  EXPECT_FALSE(CZorbOS::isValidLang("en_us"));
  EXPECT_FALSE(CZorbOS::isValidLang("en"));
  std::string text = log.text();
  EXPECT_NE(text.find("The input string is \n"), std::string::npos) << text;
  EXPECT_NE(text.find("-en_us\n"), std::string::npos) << text;
  EXPECT_NE(text.find("The current string is \n"), std::string::npos) << text;
}

TEST_F(LocaleListTest, PreferredLanguage) {
  CapturedLog log;
  MuiForceOrderOfOsLocales({"de", "fr"});
  // Nothing supported: the default.
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "en_US");
  EXPECT_NE(log.text().find("No valid preferred lanuage code found,use default as en_US"),
            std::string::npos);

  // The candidates are taken at the first question that finds a list.
  CZorbOS::setLocaleList("en_US,fr_FR,de_DE");
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "de_DE");
  EXPECT_NE(log.text().find("The User preferred language code is de_DE"), std::string::npos);
  EXPECT_NE(log.text().find("=====Supported locales list items:====="), std::string::npos);

  // Later changes of the list do not reach the candidates; the preferences
  // are asked again each time.
  CZorbOS::setLocaleList("it_IT");
  MuiForceOrderOfOsLocales({"it", "fr"});
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "fr_FR");
  // Languages that are not offered leave the order of the last sort: the
  // candidates are sorted in place.
  MuiForceOrderOfOsLocales({"ko"});
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "fr_FR");
}

TEST_F(LocaleListTest, CandidatesOutliveTheListTheyCameFrom) {
  // Many appends move the list's storage; the candidates are copies.
  CZorbOS::setLocaleList("ja_JP,zh_TW");
  MuiForceOrderOfOsLocales({"zh-Hant"});
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "zh_TW");
  for (int i = 0; i < 200; ++i) CZorbOS::setLocaleList("xx_YY,aa_BB");
  CZorbOS::m_LocaleListString.shrink_to_fit();
  MuiForceOrderOfOsLocales({"ja"});
  EXPECT_EQ(CZorbOS::GetUserPreferredLanguageCode(), "ja_JP");
}
