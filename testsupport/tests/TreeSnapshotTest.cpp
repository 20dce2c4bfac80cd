#include "testsupport/TreeSnapshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testsupport/TempDir.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST(TreeSnapshot, SeesEveryKindOfChange) {
  TempDir dir;
  const fs::path root(dir.path());
  write(root / "a/b.txt", "hello");
  write(root / "a/c.txt", "same size");
  fs::create_symlink("b.txt", root / "a/link");
  write(root / "skip/x", "ignored");
  const auto before = testsupport::TreeSnapshot::take(root.string(), {"skip"});
  ASSERT_EQ(before.items().size(), 4u) << "a, a/b.txt, a/c.txt, a/link";
  EXPECT_EQ(before.items().at("a/b.txt").digest,
            "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824");
  EXPECT_EQ(before.items().at("a/link").kind, 'l');
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(root.string(), {"skip"})));

  write(root / "skip/y", "still ignored");
  EXPECT_TRUE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(root.string(), {"skip"})));

  write(root / "a/c.txt", "SAME size");
  EXPECT_FALSE(
      testsupport::sameTree(before, testsupport::TreeSnapshot::take(root.string(), {"skip"})))
      << "equal sizes, other bytes";
  write(root / "a/c.txt", "same size");

  fs::permissions(root / "a/b.txt", fs::perms::owner_write, fs::perm_options::remove);
  auto after = testsupport::TreeSnapshot::take(root.string(), {"skip"});
  EXPECT_NE(before.diff(after).find("~ a/b.txt"), std::string::npos) << before.diff(after);

  fs::permissions(root / "a/b.txt", fs::perms::owner_write, fs::perm_options::add);
  fs::create_directory(root / "a/new");
  after = testsupport::TreeSnapshot::take(root.string(), {"skip"});
  EXPECT_EQ(before.diff(after).rfind("+ a/new d mode ", 0), 0u) << before.diff(after);
}
