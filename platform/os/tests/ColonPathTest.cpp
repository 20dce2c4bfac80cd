#include "platform/os/ColonPath.h"

#include <gtest/gtest.h>

#include "platform/os/Utf.h"

using platform::PathRefusal;
using platform::Volume;

namespace {

const std::vector<Volume> kVolumes = {
    {"Disk", "/"}, {"Work", "/srv/work/"}, {"Deep", "/srv/work/deep"}, {"Café", "/mnt/cafe"}};

std::string str(PathRefusal r) {
  return platform::describe(r);
}

}  // namespace

TEST(ColonPath, ColonToPosix) {
  struct Case {
    std::u16string colon;
    std::string posix;
  } cases[] = {
      {u"Disk:Users:ann:file.txt", "/Users/ann/file.txt"},
      {u"Disk:", "/"},
      {u"Disk", "/"},
      {u"Disk:a:", "/a/"},
      {u"Disk:a/b:c", "/a:b/c"},    // "/" inside a name
      {u"Disk:...:.x", "/.../.x"},  // only "." and ".." are special
      {u"Work:x", "/srv/work/x"},   // trailing "/" of the mount point dropped
      {u"Work", "/srv/work"},
      {u"Work:", "/srv/work/"},
      {u"disk:a", "/a"},  // volume names ignore ASCII case
      {u"Café:é", "/mnt/cafe/\xC3\xA9"},
      {u"Disk:\U0001F600", "/\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    PathRefusal why = PathRefusal::NotAbsolute;
    auto p = platform::colonToPosix(c.colon, kVolumes, &why);
    ASSERT_TRUE(p.has_value()) << *platform::utf16ToUtf8(c.colon) << ": " << str(why);
    EXPECT_EQ(*p, c.posix) << *platform::utf16ToUtf8(c.colon);
    EXPECT_EQ(why, PathRefusal::None);
  }
}

TEST(ColonPath, ColonToPosixRefusals) {
  struct Case {
    std::u16string colon;
    PathRefusal why;
  } cases[] = {
      {u"", PathRefusal::NotAbsolute},
      {u":a:b", PathRefusal::NotAbsolute},
      {u"Nowhere:a", PathRefusal::UnknownVolume},
      {u"file.txt", PathRefusal::UnknownVolume},
      {u"Disk:a::b", PathRefusal::EmptyComponent},
      {u"Disk::", PathRefusal::EmptyComponent},
      {u"Disk:a:::", PathRefusal::EmptyComponent},
      {u"Disk:..:etc", PathRefusal::DotComponent},
      {u"Disk:a:.", PathRefusal::DotComponent},
      {u"Disk:a:..:", PathRefusal::DotComponent},
      {std::u16string(u"Disk:a\0b", 8), PathRefusal::NulCharacter},
      {u"Disk:\xD800x", PathRefusal::BadEncoding},
      {u"Disk:x\xDC00", PathRefusal::BadEncoding},
  };
  for (const auto& c : cases) {
    PathRefusal why = PathRefusal::None;
    auto p = platform::colonToPosix(c.colon, kVolumes, &why);
    EXPECT_FALSE(p.has_value()) << *p;
    EXPECT_EQ(str(why), str(c.why)) << "case " << (&c - cases);
  }
}

TEST(ColonPath, PosixToColon) {
  struct Case {
    std::string posix;
    std::u16string colon;
  } cases[] = {
      {"/", u"Disk:"},
      {"/Users/ann/file.txt", u"Disk:Users:ann:file.txt"},
      {"/a/", u"Disk:a:"},
      {"/a:b/c", u"Disk:a/b:c"},
      {"//a///b", u"Disk:a:b"},
      {"/a/./b/../c", u"Disk:a:c"},
      {"/../../a", u"Disk:a"},  // ".." never climbs above "/"
      {"/a/b/..", u"Disk:a:"},
      {"/a/.", u"Disk:a:"},
      {"/srv/work", u"Work:"},  // the longest mount point wins
      {"/srv/work/x/y", u"Work:x:y"},
      {"/srv/work/deep/z", u"Deep:z"},
      {"/srv/workshop", u"Disk:srv:workshop"},  // prefixes count whole components
      {"/srv/work/deep/../x", u"Work:x"},
      {"/mnt/cafe/\xC3\xA9", u"Café:é"},
  };
  for (const auto& c : cases) {
    PathRefusal why = PathRefusal::NotAbsolute;
    auto p = platform::posixToColon(c.posix, kVolumes, &why);
    ASSERT_TRUE(p.has_value()) << c.posix << ": " << str(why);
    EXPECT_EQ(*platform::utf16ToUtf8(*p), *platform::utf16ToUtf8(c.colon)) << c.posix;
  }
}

TEST(ColonPath, PosixToColonRefusals) {
  struct Case {
    std::string posix;
    PathRefusal why;
  } cases[] = {
      {"", PathRefusal::NotAbsolute},
      {"relative/x", PathRefusal::NotAbsolute},
      {std::string("/a\0b", 4), PathRefusal::NulCharacter},
      {"/a/\xFF", PathRefusal::BadEncoding},
      {"/a/\xC0\xAF", PathRefusal::BadEncoding},  // overlong "/"
  };
  for (const auto& c : cases) {
    PathRefusal why = PathRefusal::None;
    EXPECT_FALSE(platform::posixToColon(c.posix, kVolumes, &why).has_value()) << c.posix;
    EXPECT_EQ(str(why), str(c.why)) << c.posix;
  }
  std::vector<Volume> onlyWork = {{"Work", "/srv/work"}};
  PathRefusal why = PathRefusal::None;
  EXPECT_FALSE(platform::posixToColon("/etc/passwd", onlyWork, &why).has_value());
  EXPECT_EQ(why, PathRefusal::NoVolume);
}

TEST(ColonPath, RoundTrips) {
  const std::u16string colons[] = {
      u"Disk:",
      u"Disk:a",
      u"Disk:a:",
      u"Disk:a/b:c d:e.txt",
      u"Work:x:y:",
      u"Deep:z",
      u"Café:naïve:\U0001F600",
      u"Disk:.hidden:...:a..b",
  };
  for (const auto& c : colons) {
    auto posix = platform::colonToPosix(c, kVolumes);
    ASSERT_TRUE(posix.has_value());
    auto back = platform::posixToColon(*posix, kVolumes);
    ASSERT_TRUE(back.has_value()) << *posix;
    EXPECT_EQ(*platform::utf16ToUtf8(*back), *platform::utf16ToUtf8(c)) << *posix;
  }
}

TEST(ColonPath, UsesTheVolumeTableInForce) {
  platform::PlatformConfig config;
  config.volumes = {{"Sandbox", "/tmp/sb"}};
  platform::PlatformConfig::Override o(config);
  EXPECT_EQ(platform::colonToPosix(u"Sandbox:f"), std::optional<std::string>("/tmp/sb/f"));
  EXPECT_FALSE(platform::colonToPosix(u"Disk:f").has_value());
  EXPECT_EQ(platform::posixToColon("/tmp/sb/f"), std::optional<std::u16string>(u"Sandbox:f"));
}

TEST(Utf, StrictConversions) {
  EXPECT_EQ(platform::utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
            std::optional<std::u16string>(u"aé€\U0001F600"));
  EXPECT_EQ(platform::utf16ToUtf8(u"aé€\U0001F600"),
            std::optional<std::string>("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
  const char* bad[] = {"\x80",
                       "\xC3",
                       "\xE2\x82",
                       "\xED\xA0\x80",
                       "\xF4\x90\x80\x80",
                       "\xE0\x80\xAF",
                       "\xF8\x88\x80\x80\x80"};
  for (const char* b : bad) EXPECT_FALSE(platform::utf8ToUtf16(b).has_value()) << b;
  EXPECT_FALSE(platform::utf16ToUtf8(u"\xD83D").has_value());
  EXPECT_FALSE(platform::utf16ToUtf8(u"\xDE00\xD83D").has_value());
}
