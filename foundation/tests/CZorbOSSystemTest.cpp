#include <gtest/gtest.h>
#include <unistd.h>

#include "foundation/CZorbOS.h"
#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Utf.h"

namespace {

std::string u8(const CString& s) {
  return platform::utf16ToUtf8(s.Get()).value_or("<bad>");
}

class CZorbOSSystem : public ::testing::Test {
 protected:
  void SetUp() override { CZorbOS::ResetMultiUserMembersForTest(); }
  void TearDown() override { CZorbOS::ResetMultiUserMembersForTest(); }
};

}  // namespace

TEST_F(CZorbOSSystem, MultiUserMembersAreSetOnce) {
  CZorbOS::UserType type = CZorbOS::kRootUser;
  EXPECT_FALSE(CZorbOS::GetCurrentUserType(type));  // before the set-up
  EXPECT_EQ(type, CZorbOS::kStandardUser);
  EXPECT_FALSE(CZorbOS::IsSupportedMultiUserSystem());

  platform::PlatformConfig config;
  platform::PlatformConfig::Override o(config);
  CZorbOS::InitMultiUserMembers();
  EXPECT_EQ(CZorbOS::fOSVersion, 0x1070u);
  EXPECT_TRUE(CZorbOS::fIsOSX);
  EXPECT_TRUE(CZorbOS::IsSupportedMultiUserSystem());
  EXPECT_EQ(u8(CZorbOS::m_appDataFolderName), "Library:Application Support");
  EXPECT_EQ(u8(CZorbOS::m_appLibraryFolderName), "Library");

  platform::PlatformConfig old;
  old.systemVersion = 0x0920;
  platform::PlatformConfig::Override o2(old);
  CZorbOS::InitMultiUserMembers();  // does nothing the second time
  EXPECT_TRUE(CZorbOS::IsSupportedMultiUserSystem());
}

TEST_F(CZorbOSSystem, ASystemBeforeTenIsSingleUser) {
  platform::PlatformConfig config;
  config.systemVersion = 0x0920;
  config.effectiveUid = 0;
  platform::PlatformConfig::Override o(config);
  CZorbOS::InitMultiUserMembers();
  EXPECT_FALSE(CZorbOS::IsSupportedMultiUserSystem());
  EXPECT_FALSE(CZorbOS::fIsOSX);
  EXPECT_EQ(CZorbOS::m_appDataFolderName.GetLength(), 0);
  CZorbOS::UserType type = CZorbOS::kRootUser;
  EXPECT_FALSE(CZorbOS::GetCurrentUserType(type));
  EXPECT_EQ(type, CZorbOS::kStandardUser);
}

TEST_F(CZorbOSSystem, UserTypeFromUidAndGroups) {
  struct Case {
    uint32_t uid;
    std::vector<std::string> groups;
    std::vector<std::string> adminGroups;
    bool ok;
    CZorbOS::UserType type;
  } cases[] = {
      {0, {}, {"admin", "wheel"}, true, CZorbOS::kRootUser},  // groups not even looked at
      {501, {"staff", "admin"}, {"admin", "wheel"}, true, CZorbOS::kAdministrator},
      {501, {"wheel"}, {"admin", "wheel"}, true, CZorbOS::kAdministrator},
      {501, {"Admin", "staff"}, {"admin", "wheel"}, true, CZorbOS::kStandardUser},
      {501, {"staff"}, {"admin", "wheel"}, true, CZorbOS::kStandardUser},
      {501, {}, {"admin", "wheel"}, false, CZorbOS::kStandardUser},
      {1000, {"users", "sudo"}, {"sudo"}, true, CZorbOS::kAdministrator},
  };
  for (const auto& c : cases) {
    platform::PlatformConfig config;
    config.effectiveUid = c.uid;
    config.groupNames = c.groups;
    config.adminGroups = c.adminGroups;
    platform::PlatformConfig::Override o(config);
    CZorbOS::ResetMultiUserMembersForTest();
    CZorbOS::InitMultiUserMembers();
    CZorbOS::UserType type = CZorbOS::kRootUser;
    EXPECT_EQ(CZorbOS::GetCurrentUserType(type), c.ok) << c.uid << " " << c.groups.size();
    EXPECT_EQ(type, c.type) << c.uid << " " << c.groups.size();
  }
}

TEST_F(CZorbOSSystem, RealUserIsRecognised) {
  CZorbOS::InitMultiUserMembers();
  CZorbOS::UserType type = CZorbOS::kStandardUser;
  ASSERT_TRUE(CZorbOS::GetCurrentUserType(type));
  if (geteuid() == 0) {
    EXPECT_EQ(type, CZorbOS::kRootUser);
  }
}

TEST(CZorbOS, TickCountIsTheClockInThirtyTwoBits) {
  platform::TestClock clock(0x123456789ull);
  platform::ScopedClock scoped(clock);
  EXPECT_EQ(CZorbOS::GetTickCount(), 0x23456789u);
  clock.advance(0xFFFFFFFFull);
  EXPECT_EQ(CZorbOS::GetTickCount(), 0x23456788u);
}

TEST(CZorbOS, LocaleAndSmallFacts) {
  CString locale(u"junk");
  CZorbOS::getLocale(locale);
  EXPECT_EQ(locale.GetLength(), 0);
  CZorbOS::setLocale(CString(u"fr_FR"));
  CZorbOS::getLocale(locale);
  EXPECT_EQ(u8(locale), "fr_FR");
  CZorbOS::setLocale(CString());
  CZorbOS::getLocale(locale);
  EXPECT_EQ(locale.GetLength(), 0);

  EXPECT_FALSE(CZorbOS::FileIsOpenWithExclusive(u"Disk:x"));
  CZorbOS::AllowBackgroundProcessing();
}

TEST(CZorbOS, AnsiCharToCString) {
  CString out(u"junk");
  CZorbOS::ansiCharToCString("caf\xC3\xA9 \xF0\x9F\x98\x80", out);
  EXPECT_EQ(std::u16string(out.Get()), u"café \U0001F600");
  CZorbOS::ansiCharToCString(
      "a\xFF"
      "b\xE2\x82",
      out);
  EXPECT_EQ(std::u16string(out.Get()), u"a\uFFFDb\uFFFD\uFFFD");
  CZorbOS::ansiCharToCString(nullptr, out);
  EXPECT_EQ(out.GetLength(), 0);
}
