#include "platform/os/BundleLocalizations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testsupport/TempDir.h"

using platform::bundleLocalizations;
using platform::preferredLocalizationsFor;
using List = std::vector<std::string>;

TEST(BundleLocalizations, ListsTheLprojFoldersOfTheResources) {
  TempDir dir;
  const std::filesystem::path resources =
      std::filesystem::path(dir.path()) / "A.app" / "Contents" / "Resources";
  for (const char* name : {"fr.lproj", "de.lproj", "notes", ".lproj"})
    std::filesystem::create_directories(resources / name);
  std::ofstream(resources / "ja.lproj") << "a file, not a folder";
  std::filesystem::create_directory_symlink(resources / "fr.lproj", resources / "it.lproj");
  EXPECT_EQ(bundleLocalizations(dir.path() + "/A.app"), (List{"de", "fr"}));
  EXPECT_EQ(bundleLocalizations(dir.path() + "/Missing.app"), List{});
}

TEST(BundleLocalizations, PrefersTheUsersLanguagesThenEnglish) {
  const struct {
    List available, preferred, expected;
  } cases[] = {
      {{"de", "en", "fr"}, {"fr_FR", "de"}, {"fr", "de"}},
      {{"de", "en", "zh_TW"}, {"zh-tw"}, {"zh_TW"}},
      {{"de", "en"}, {"pt_BR"}, {"en"}},
      {{"de", "fr"}, {"pt"}, {"de"}},
      {{}, {"fr"}, {}},
      {{"fr"}, {"fr", "fr_CA"}, {"fr"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(preferredLocalizationsFor(c.available, c.preferred), c.expected);
}
