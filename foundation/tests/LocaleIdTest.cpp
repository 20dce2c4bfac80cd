#include "foundation/LocaleId.h"

#include <gtest/gtest.h>

#include "foundation/CLocaleList.h"
#include "foundation/MuiLocales.h"
#include "foundation/MuiMessages.h"

namespace {

using List = std::vector<std::string>;

// Installs a preference list for one test.
class ForcedPreferences {
 public:
  explicit ForcedPreferences(const List& preferences) { MuiForceOrderOfOsLocales(preferences); }
  ~ForcedPreferences() { MuiForceOrderOfOsLocales({}); }
};

}  // namespace

TEST(LocaleId, Parsing) {
  struct Case {
    const char* text;
    bool ok;
    const char* language;
    const char* script;
    const char* region;
    const char* name;
    const char* parent;
  } cases[] = {
      {"en_US", true, "en", "", "US", "en-US", "en"},
      {"EN-us", true, "en", "", "US", "en-US", "en"},
      {"fr", true, "fr", "", "", "fr", "fr"},
      {"zh_TW", true, "zh", "Hant", "TW", "zh-TW", "zh-Hant"},
      {"zh_CN", true, "zh", "Hans", "CN", "zh-CN", "zh-Hans"},
      {"zh-HK", true, "zh", "Hant", "HK", "zh-HK", "zh-Hant"},
      {"zh-Hant", true, "zh", "Hant", "", "zh-Hant", "zh-Hant"},
      {"zh_hans_sg", true, "zh", "Hans", "SG", "zh-SG", "zh-Hans"},
      {"zh", true, "zh", "", "", "zh", "zh"},
      {"sr", true, "sr", "Cyrl", "", "sr-Cyrl", "sr-Cyrl"},
      {"sr_Latn_RS", true, "sr", "Latn", "RS", "sr-Latn-RS", "sr-Latn"},
      {"sr-RS", true, "sr", "Cyrl", "RS", "sr-Cyrl-RS", "sr-Cyrl"},
      {"iu", true, "iu", "Cans", "", "iu-Cans", "iu-Cans"},
      {"uz_UZ", true, "uz", "Cyrl", "UZ", "uz-Cyrl-UZ", "uz-Cyrl"},
      {"mn_CN", true, "mn", "Mong", "CN", "mn-CN", "mn"},
      {"pa_PK", true, "pa", "Arab", "PK", "pa-PK", "pa"},
      {"ha_GH", true, "ha", "Latn", "GH", "ha-Latn-GH", "ha-Latn"},
      {"az", true, "az", "", "", "az", "az"},
      {"es_419", true, "es", "", "419", "es-419", "es"},
      {"haw_US", true, "haw", "", "US", "haw-US", "haw"},
      {"pt_BR", true, "pt", "", "BR", "pt-BR", "pt"},
      // Three tokens of two letters, tokens of the wrong length, stray
      // separators, nothing.
      {"en_US_XX", false, "", "", "", "", ""},
      {"english", false, "", "", "", "", ""},
      {"e", false, "", "", "", "", ""},
      {"en_Latn_Cyrl", false, "", "", "", "", ""},
      {"Latn", false, "", "", "", "", ""},
      {"en__US", false, "", "", "", "", ""},
      {"en_", false, "", "", "", "", ""},
      {"_en", false, "", "", "", "", ""},
      {"", false, "", "", "", "", ""},
      {"en_US.UTF-8", false, "", "", "", "", ""},
  };
  for (const auto& c : cases) {
    LocaleId id;
    id.fromString("de_DE");  // a failed parse leaves nothing of it
    EXPECT_EQ(id.fromString(c.text), c.ok) << c.text;
    EXPECT_EQ(id.language(), c.language) << c.text;
    EXPECT_EQ(id.script(), c.script) << c.text;
    EXPECT_EQ(id.region(), c.region) << c.text;
    EXPECT_EQ(id.getName(), c.name) << c.text;
    EXPECT_EQ(id.getParentName(), c.parent) << c.text;
  }
  LocaleId none(nullptr);
  EXPECT_FALSE(none.fromString(nullptr));
  EXPECT_EQ(none.getName(), "");

  EXPECT_TRUE(LocaleId("zh_TW").hasSameParent(LocaleId("zh-Hant")));
  EXPECT_FALSE(LocaleId("zh_TW").isEqual(LocaleId("zh-Hant")));
  EXPECT_TRUE(LocaleId("en-us").isEqual(LocaleId("en_US")));
  EXPECT_FALSE(LocaleId("zh_CN").hasSameParent(LocaleId("zh_TW")));
}

TEST(CLocaleList, SplitsAtAnythingButNameCharacters) {
  CLocaleList list("en_US;de, fr-CA\tja  ;;");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], "en_US");
  EXPECT_EQ(list[1], "de");
  EXPECT_EQ(list[2], "fr-CA");
  EXPECT_EQ(list[3], "ja");
  EXPECT_EQ(list.FromString(nullptr), 0u);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.FromString("a.b"), 2u);
  list.AddLocale("x y");
  EXPECT_EQ(list[2], "x y");
}

TEST(MuiLocales, PromoteMovesTheFirstMatch) {
  List l = {"en_US", "fr_FR", "de_DE", "de_AT"};
  EXPECT_TRUE(PromoteLanguage(l, 1, "de-AT", true));
  EXPECT_EQ(l, (List{"en_US", "de_AT", "fr_FR", "de_DE"}));
  EXPECT_TRUE(PromoteLanguage(l, 0, "de", false));
  EXPECT_EQ(l, (List{"de_AT", "en_US", "fr_FR", "de_DE"}));
  EXPECT_FALSE(PromoteLanguage(l, 0, "it", false));
  EXPECT_FALSE(PromoteLanguage(l, 4, "de", false));
  EXPECT_FALSE(PromoteLanguage(l, 0, "not a locale", false));
  EXPECT_FALSE(PromoteLanguage(l, 0, nullptr, false));
  // Before start nothing is looked at.
  EXPECT_FALSE(PromoteLanguage(l, 1, "de-AT", true));
}

TEST(MuiLocales, SortByPreference) {
  struct Case {
    List supported;
    List preferences;
    List sorted;
    size_t placed;
  } cases[] = {
      {{"en_US", "fr_FR", "de_DE"}, {"de", "fr"}, {"de_DE", "fr_FR", "en_US"}, 2},
      {{"zh_CN", "zh_TW"}, {"zh-Hant"}, {"zh_TW", "zh_CN"}, 1},
      {{"zh_CN", "zh_TW"}, {"zh-Hans"}, {"zh_CN", "zh_TW"}, 1},
      {{"zh_CN", "zh_TW"}, {"zh"}, {"zh_CN", "zh_TW"}, 0},
      // sr stands for Serbian in Cyrillic; a Latin-script locale is another parent.
      {{"sr_Latn_RS", "en_US", "sr_RS"}, {"sr"}, {"sr_RS", "sr_Latn_RS", "en_US"}, 1},
      {{"sr_Latn_RS", "en_US", "sr"}, {"sr_Latn"}, {"sr_Latn_RS", "en_US", "sr"}, 1},
      // An exact match comes before other regions of the language.
      {{"en_GB", "en_US", "ja_JP"}, {"en_US"}, {"en_US", "en_GB", "ja_JP"}, 2},
      {{"en_GB", "en", "en_US"}, {"en_AU"}, {"en", "en_GB", "en_US"}, 3},
      {{"en_US", "ja_JP"}, {"ko", "it"}, {"en_US", "ja_JP"}, 0},
      {{"en_US", "ja_JP"}, {}, {"en_US", "ja_JP"}, 0},
      {{"en_US", "bogus locale", "ja_JP"}, {"x!", "ja"}, {"ja_JP", "en_US", "bogus locale"}, 1},
      {{}, {"en"}, {}, 0},
  };
  for (const auto& c : cases) {
    List l = c.supported;
    EXPECT_EQ(MuiSortLocalesByPreferences(l, c.preferences), c.placed) << c.preferences.size();
    EXPECT_EQ(l, c.sorted);
  }
}

TEST(MuiLocales, ForcedPreferencesReplaceTheSystems) {
  {
    ForcedPreferences forced({"de", "fr"});
    EXPECT_EQ(MuiUserPreferredLocales(), (List{"de", "fr"}));
    List l = {"en_US", "fr_FR", "de_DE"};
    EXPECT_EQ(MuiSortLocalesPerUserPreference(l), 2u);
    EXPECT_EQ(l, (List{"de_DE", "fr_FR", "en_US"}));
  }
  EXPECT_NE(MuiUserPreferredLocales(), (List{"de", "fr"}));
}

TEST(MuiLocales, MessagesInTheBestLanguage) {
  ASSERT_EQ(kMuiMessageLocaleCount, 32u);
  const MuiMessageRow& english = kMuiMessages[kMuiMessageLocaleCount];
  EXPECT_EQ(english.locale, nullptr);
  EXPECT_EQ(std::u16string(english.resourcesUnavailable),
            u"The localized resource files for this application could not be loaded. Please "
            u"reinstall or repair the application and try again.");
  for (size_t i = 0; i < kMuiMessageLocaleCount; ++i) {
    EXPECT_NE(LocaleId(kMuiMessages[i].locale).getName(), "") << kMuiMessages[i].locale;
    EXPECT_NE(kMuiMessages[i].resourcesUnavailable[0], 0);
    EXPECT_NE(kMuiMessages[i].systemLanguageUnsupported[0], 0);
  }

  auto rowOf = [](const char* locale) -> const MuiMessageRow& {
    for (size_t i = 0; i < kMuiMessageLocaleCount; ++i)
      if (std::string(kMuiMessages[i].locale) == locale) return kMuiMessages[i];
    return kMuiMessages[kMuiMessageLocaleCount];
  };
  {
    ForcedPreferences forced({"de_CH", "fr"});
    EXPECT_EQ(MuiGetLocaleUnavailableErrorMessage(), rowOf("de").resourcesUnavailable);
    // The application's own locales, sorted by the user, choose the row.
    EXPECT_EQ(MuiGetUnsupportedSystemLocaleErrorMessage({"ja_JP", "fr_FR"}),
              rowOf("fr").systemLanguageUnsupported);
    EXPECT_EQ(MuiGetUnsupportedSystemLocaleErrorMessage({"zh_TW", "ko_KR"}),
              rowOf("zh_Hant").systemLanguageUnsupported);
  }
  {
    ForcedPreferences forced({"pt_BR"});
    EXPECT_EQ(MuiGetLocaleUnavailableErrorMessage(), rowOf("pt_BR").resourcesUnavailable);
  }
  {
    // Nothing in the table fits: English, not the table's first row.
    ForcedPreferences forced({"xx"});
    EXPECT_EQ(MuiGetLocaleUnavailableErrorMessage(), english.resourcesUnavailable);
    EXPECT_EQ(MuiGetUnsupportedSystemLocaleErrorMessage({"xy_ZZ"}),
              english.systemLanguageUnsupported);
  }
}
