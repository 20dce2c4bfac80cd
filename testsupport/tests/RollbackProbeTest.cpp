#include "testsupport/RollbackProbe.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>
#include <fstream>

#include "platform/os/FileSystem.h"
#include "testsupport/TempDir.h"

namespace fs = std::filesystem;

namespace {

// A toy operation over the file system seam: writes two files through a
// temporary name each, undoing what it made when a call fails. `leaky`
// leaves its temporary file behind; `forgetful` forgets the first file.
struct ToyOperation {
  std::string root;
  bool leaky = false;
  bool forgetful = false;
  std::vector<std::string> made;
  int memory = 0;

  bool writeFile(const std::string& name, const std::string& text) {
    platform::IFileSystem& f = platform::fileSystem();
    const std::string temporary = root + "/tmp/" + name + ".TMP";
    int fd = -1;
    if (f.open(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0644, fd) != 0) return false;
    const int written = platform::writeAll(f, fd, text.data(), text.size(), 0);
    const int closed = f.close(fd);
    if (written != 0 || closed != 0 || f.rename(temporary, root + "/data/" + name, false) != 0) {
      if (!leaky) (void)f.unlink(temporary);
      return false;
    }
    made.push_back(root + "/data/" + name);
    return true;
  }

  bool run() {
    made.clear();
    ++memory;
    if (writeFile("a", "first") && writeFile("b", "second")) return true;
    --memory;
    for (std::size_t i = forgetful ? 1 : 0; i < made.size(); ++i)
      (void)platform::fileSystem().unlink(made[i]);
    return false;
  }
};

}  // namespace

TEST(RollbackProbe, PassesASoundUndoAndNamesEachBrokenPromise) {
  TempDir dir;
  struct Variant {
    const char* name;
    bool leaky;
    bool forgetful;
    bool ok;
  };
  for (const Variant v :
       {Variant{"sound", false, false, true}, Variant{"leaky", true, false, false},
        Variant{"forgetful", false, true, false}}) {
    SCOPED_TRACE(v.name);
    ToyOperation op;
    op.root = dir.path();
    op.leaky = v.leaky;
    op.forgetful = v.forgetful;
    testsupport::RollbackProbe::Case c;
    c.prepare = [&] {
      fs::remove_all(dir.path() + "/data");
      fs::remove_all(dir.path() + "/tmp");
      fs::create_directories(dir.path() + "/data");
      fs::create_directories(dir.path() + "/tmp");
      std::ofstream(dir.path() + "/data/kept") << "kept";
      op.memory = 0;
    };
    c.run = [&] { return op.run(); };
    c.pendingSteps = [] { return std::size_t{0}; };
    c.memory = [&] { return std::to_string(op.memory); };
    c.roots = {dir.path() + "/data"};
    c.temporaryFolder = dir.path() + "/tmp";
    const testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
    EXPECT_TRUE(result.cleanRunSucceeded);
    // open, write, close is not mutating, rename: twice.
    EXPECT_EQ(result.calls, 6);
    EXPECT_EQ(result.ok(), v.ok) << result.report();
    EXPECT_TRUE(result.survived.empty()) << result.report();
    if (v.leaky) {
      EXPECT_NE(result.report().find("left in the temporary folder"), std::string::npos);
    }
    if (v.forgetful) {
      EXPECT_NE(result.report().find("differs"), std::string::npos);
    }
  }
}

TEST(RollbackProbe, ReportsASuccessThatSwallowedAFailureAndAFailedCleanRun) {
  TempDir dir;
  testsupport::RollbackProbe::Case c;
  c.prepare = [] {};
  // Succeeds whatever its one call answers.
  c.run = [&] {
    (void)platform::fileSystem().mkdir(dir.path() + "/x", 0755);
    (void)platform::fileSystem().rmdir(dir.path() + "/x");
    return true;
  };
  c.roots = {dir.path()};
  testsupport::RollbackProbe::Result result = testsupport::RollbackProbe::run(c);
  EXPECT_TRUE(result.ok());
  ASSERT_EQ(result.survived.size(), 2u);
  EXPECT_EQ(result.survived[0].op, "mkdir");
  EXPECT_EQ(result.survived[1].op, "rmdir");

  c.run = [] { return false; };
  result = testsupport::RollbackProbe::run(c);
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.calls, 0);
}
