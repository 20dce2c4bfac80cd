#include "platform/os/UserIdentity.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/os/PlatformConfig.h"

TEST(UserIdentity, FromTheSystem) {
  auto id = platform::currentUserIdentity();
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->effectiveUid, static_cast<uint32_t>(geteuid()));
  // The effective group always counts, so the list is never empty.
  EXPECT_GE(id->groupCount, 1u);
  EXPECT_LE(id->groupNames.size(), id->groupCount);
}

TEST(UserIdentity, OverridesReplaceTheSystemValues) {
  platform::PlatformConfig config;
  config.effectiveUid = 501;
  config.groupNames = std::vector<std::string>{"staff", "admin"};
  platform::PlatformConfig::Override o(config);
  auto id = platform::currentUserIdentity();
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->effectiveUid, 501u);
  EXPECT_EQ(id->groupNames, (std::vector<std::string>{"staff", "admin"}));
  EXPECT_EQ(id->groupCount, 2u);
}
