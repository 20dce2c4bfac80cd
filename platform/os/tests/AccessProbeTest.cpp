#include "platform/os/AccessProbe.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "testsupport/SandboxMachine.h"

namespace platform {
namespace {

TEST(AccessProbe, DeleteRule) {
  auto facts = [] {
    DeleteFacts f;
    f.callerUid = 501;
    f.itemUid = 501;
    f.folderUid = 501;
    f.folderWritable = true;
    return f;
  };
  struct Case {
    const char* what;
    void (*change)(DeleteFacts&);
    bool permitted;
  } cases[] = {
      {"own file in own writable folder", [](DeleteFacts&) {}, true},
      {"folder not writable", [](DeleteFacts& f) { f.folderWritable = false; }, false},
      {"immutable item", [](DeleteFacts& f) { f.itemImmutable = true; }, false},
      {"append-only folder", [](DeleteFacts& f) { f.folderAppendOnly = true; }, false},
      {"sticky folder, someone else's item and folder",
       [](DeleteFacts& f) {
         f.folderSticky = true;
         f.itemUid = 7;
         f.folderUid = 8;
       },
       false},
      {"sticky folder, own item",
       [](DeleteFacts& f) {
         f.folderSticky = true;
         f.folderUid = 8;
       },
       true},
      {"sticky folder, own folder",
       [](DeleteFacts& f) {
         f.folderSticky = true;
         f.itemUid = 7;
       },
       true},
      {"sticky folder, root",
       [](DeleteFacts& f) {
         f.folderSticky = true;
         f.itemUid = 7;
         f.folderUid = 8;
         f.callerUid = 0;
       },
       true},
      {"root and an immutable item",
       [](DeleteFacts& f) {
         f.callerUid = 0;
         f.itemImmutable = true;
       },
       false},
  };
  for (const auto& c : cases) {
    DeleteFacts f = facts();
    c.change(f);
    EXPECT_EQ(deletePermitted(f), c.permitted) << c.what;
  }
}

TEST(AccessProbe, CanDeleteItemLeavesTheItemAlone) {
  testsupport::SandboxMachine sandbox;
  sandbox.writeFile("f/a.txt", "content");
  const auto before = std::filesystem::last_write_time(sandbox.posix("f/a.txt"));
  EXPECT_TRUE(canDeleteItem(sandbox.posix("f/a.txt")));
  EXPECT_TRUE(canDeleteItem(sandbox.posix("f")));
  EXPECT_FALSE(canDeleteItem(sandbox.posix("f/missing")));
  EXPECT_FALSE(canDeleteItem("/"));
  EXPECT_EQ(sandbox.readFile("f/a.txt"), "content");
  EXPECT_EQ(std::filesystem::last_write_time(sandbox.posix("f/a.txt")), before);
  EXPECT_EQ(sandbox.list("f"), std::vector<std::string>{"a.txt"});
}

TEST(AccessProbe, ImmutableFileCannotBeDeleted) {
  testsupport::SandboxMachine sandbox;
  sandbox.writeFile("a.txt", "x");
  const std::string path = sandbox.posix("a.txt");
  int fd = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  int flags = 0;
  if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
    ::close(fd);
    GTEST_SKIP() << "this file system keeps no inode flags";
  }
  int set = flags | FS_IMMUTABLE_FL;
  if (::ioctl(fd, FS_IOC_SETFLAGS, &set) != 0) {
    ::close(fd);
    GTEST_SKIP() << "setting the immutable flag needs privileges this run lacks";
  }
  const bool answer = canDeleteItem(path);
  ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  ::close(fd);
  EXPECT_FALSE(answer);
}

TEST(AccessProbe, SameNode) {
  testsupport::SandboxMachine sandbox;
  sandbox.writeFile("a.txt", "a");
  sandbox.writeFile("b.txt", "b");
  namespace fs = std::filesystem;
  fs::create_hard_link(sandbox.posix("a.txt"), sandbox.posix("hard.txt"));
  fs::create_symlink(sandbox.posix("a.txt"), sandbox.posix("toA"));
  fs::create_directory_symlink(sandbox.root(), sandbox.posix("alias"));

  EXPECT_TRUE(sameNode(sandbox.posix("a.txt"), sandbox.posix("a.txt")));
  EXPECT_TRUE(sameNode(sandbox.posix("a.txt"), sandbox.posix("hard.txt")));
  EXPECT_TRUE(sameNode(sandbox.posix("a.txt"), sandbox.posix("alias/a.txt")));
  // The source is a link to the destination: deleting the destination
  // would leave the link pointing at nothing.
  EXPECT_TRUE(sameNode(sandbox.posix("toA"), sandbox.posix("a.txt")));
  // The destination is a link to the source: deleting it removes the link only.
  EXPECT_FALSE(sameNode(sandbox.posix("a.txt"), sandbox.posix("toA")));
  EXPECT_FALSE(sameNode(sandbox.posix("a.txt"), sandbox.posix("b.txt")));
  EXPECT_FALSE(sameNode(sandbox.posix("a.txt"), sandbox.posix("missing")));
}

TEST(AccessProbe, LiesWithin) {
  testsupport::SandboxMachine sandbox;
  sandbox.makeFolder("a/b/c");
  sandbox.makeFolder("ab");
  std::filesystem::create_directory_symlink(sandbox.posix("a/b"), sandbox.posix("linkToB"));
  EXPECT_TRUE(liesWithin(sandbox.posix("a/b/c"), sandbox.posix("a")));
  EXPECT_TRUE(liesWithin(sandbox.posix("a"), sandbox.posix("a")));
  EXPECT_TRUE(liesWithin(sandbox.posix("linkToB/c"), sandbox.posix("a/b")));
  EXPECT_TRUE(liesWithin(sandbox.posix("a/b/../b/c"), sandbox.posix("a/b")));
  EXPECT_TRUE(liesWithin(sandbox.posix("a"), "/"));
  EXPECT_FALSE(liesWithin(sandbox.posix("ab"), sandbox.posix("a")));
  EXPECT_FALSE(liesWithin(sandbox.posix("a"), sandbox.posix("a/b")));
  EXPECT_FALSE(liesWithin(sandbox.posix("a/missing"), sandbox.posix("a")));
}

}  // namespace
}  // namespace platform
