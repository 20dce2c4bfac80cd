#include "platform/os/ScriptManager.h"

#include <gtest/gtest.h>

#include "platform/os/PlatformConfig.h"

TEST(ScriptManager, ScriptAndRegionFollowTheLocale) {
  const struct {
    const char* locale;
    int32_t script;
    int32_t region;
  } cases[] = {
      {"en_US", 0, 0},  {"fr-ch", 0, 18}, {"fr_FR", 0, 1},   {"de_AT", 0, 92}, {"pt_BR", 0, 71},
      {"ja_JP", 1, 14}, {"zh_TW", 2, 53}, {"zh_CN", 25, 52}, {"ru", 7, 49},    {"xx_YY", 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::systemScriptFor(c.locale), c.script) << c.locale;
    EXPECT_EQ(platform::regionCodeFor(c.locale), c.region) << c.locale;
  }
  platform::PlatformConfig config = platform::PlatformConfig::current();
  config.preferredLanguage = "ko_KR";
  platform::PlatformConfig::Override override(config);
  EXPECT_EQ(platform::getScriptVariable(platform::kSystemScript), 3);
  EXPECT_EQ(platform::getScriptVariable(platform::kRegionCode), 51);
}
