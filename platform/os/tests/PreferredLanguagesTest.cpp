#include "platform/os/PreferredLanguages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/os/PlatformConfig.h"

using platform::preferredLanguagesFrom;

namespace {

std::function<const char*(const char*)> env(std::map<std::string, std::string> values) {
  auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(values));
  return [shared](const char* name) -> const char* {
    auto it = shared->find(name);
    return it == shared->end() ? nullptr : it->second.c_str();
  };
}

using List = std::vector<std::string>;

}  // namespace

TEST(PreferredLanguages, EnvironmentInOrderOfPrecedence) {
  struct Case {
    std::map<std::string, std::string> vars;
    List expected;
  } cases[] = {
      {{}, {}},
      {{{"LANG", "de_DE.UTF-8"}}, {"de_DE"}},
      {{{"LANG", "fr_FR@euro"}}, {"fr_FR"}},
      {{{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "ja_JP.eucJP"}}, {"ja_JP"}},
      {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ja_JP"}, {"LC_ALL", "sv_SE.UTF-8"}}, {"sv_SE"}},
      // LANGUAGE is a list that comes before the messages locale.
      {{{"LANGUAGE", "pt_BR:pt:en"}, {"LANG", "es_ES.UTF-8"}}, {"pt_BR", "pt", "en", "es_ES"}},
      {{{"LANGUAGE", "fr::fr"}, {"LANG", "fr.UTF-8"}}, {"fr"}},
      // "C" and "POSIX" name no language; an empty variable does not count.
      {{{"LANG", "C.UTF-8"}}, {}},
      {{{"LC_ALL", "POSIX"}, {"LANG", "it_IT"}}, {}},
      {{{"LC_ALL", ""}, {"LANG", "it_IT"}}, {"it_IT"}},
      {{{"LANGUAGE", "C"}, {"LANG", "nl_NL"}}, {"nl_NL"}},
  };
  for (const auto& c : cases) {
    std::string where;
    for (const auto& [k, v] : c.vars) where += k + "=" + v + " ";
    EXPECT_EQ(preferredLanguagesFrom("", env(c.vars)), c.expected) << where;
  }
}

TEST(PreferredLanguages, TheSettingComesFirst) {
  auto vars = env({{"LANG", "de_DE.UTF-8"}, {"LANGUAGE", "de"}});
  EXPECT_EQ(preferredLanguagesFrom("fr_FR", vars), List{"fr_FR"});
  EXPECT_EQ(preferredLanguagesFrom("ja_JP, zh-Hant;ko", vars), (List{"ja_JP", "zh-Hant", "ko"}));
  // A setting that names no language leaves the choice to the environment.
  EXPECT_EQ(preferredLanguagesFrom("C", vars), (List{"de", "de_DE"}));

  platform::PlatformConfig config;
  config.preferredLanguage = "nb_NO";
  platform::PlatformConfig::Override override(config);
  EXPECT_EQ(platform::preferredLanguages(), List{"nb_NO"});
}

TEST(PreferredLanguages, TheMessagesLocaleIsTheFirstVariableSet) {
  const struct {
    std::map<std::string, std::string> vars;
    std::string expected;
  } cases[] = {
      {{}, ""},
      {{{"LANG", "en_US.UTF-8"}}, "en_US"},
      {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ca_ES@valencia"}}, "ca_ES"},
      {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ja_JP"}, {"LC_ALL", "sv_SE.UTF-8"}}, "sv_SE"},
      // LANGUAGE lists UI languages; it names no locale.
      {{{"LANGUAGE", "pt_BR:pt"}, {"LANG", "es_ES.UTF-8"}}, "es_ES"},
      {{{"LANGUAGE", "pt_BR"}}, ""},
      // The C locale names no language, and an empty variable does not count.
      {{{"LC_ALL", "C.UTF-8"}, {"LANG", "it_IT"}}, ""},
      {{{"LC_ALL", ""}, {"LANG", "it_IT"}}, "it_IT"},
  };
  for (const auto& c : cases) {
    std::string where;
    for (const auto& [k, v] : c.vars) where += k + "=" + v + " ";
    EXPECT_EQ(platform::messagesLocaleNameFrom(env(c.vars)), c.expected) << where;
  }
  // The language setting is for the interface, not the locale.
  platform::PlatformConfig config;
  config.preferredLanguage = "nb_NO";
  platform::PlatformConfig::Override override(config);
  EXPECT_EQ(platform::messagesLocaleName(),
            platform::messagesLocaleNameFrom([](const char* name) { return std::getenv(name); }));
}
