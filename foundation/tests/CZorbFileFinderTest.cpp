#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "foundation/CResFile.h"
#include "foundation/CZorbFileFinder.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/Utf.h"
#include "testsupport/SandboxMachine.h"

namespace {

class FileFinder : public ::testing::Test {
 protected:
  // Colon paths read "Test:a:b", on a volume over an empty folder.
  testsupport::SandboxMachine sandbox{testsupport::SandboxMachine::bareVolume("Test")};

  // Every match of the pattern, a folder marked with a trailing "/".
  std::set<std::string> List(const std::string& pattern) {
    std::set<std::string> out;
    const auto colon = platform::utf8ToUtf16("Test:" + pattern);
    for (bool more = finder.FindFirst(colon->c_str()); more; more = finder.FindNext())
      out.insert(*platform::utf16ToUtf8(finder.GetFileName()) + (finder.IsFolder() ? "/" : ""));
    return out;
  }

  void Touch(const std::string& name) { sandbox.writeFile(name, "x"); }

  CZorbFileFinder finder;
};

using Names = std::set<std::string>;

TEST_F(FileFinder, PatternForms) {
  std::filesystem::create_directories(sandbox.posix("f/c.d"));
  for (const char* name :
       {"a", "b.txt", "x.y.Txt", "txt", "b.txt2", "B.TXT2", "b.tar.gz", "b.*", "*"})
    Touch(std::string("f/") + name);
  const struct {
    const char* pattern;
    Names expected;
  } cases[] = {
      {"f:*.*",
       {"a", "b.txt", "x.y.Txt", "txt", "b.txt2", "B.TXT2", "b.tar.gz", "b.*", "*", "c.d/"}},
      {"f:*.TXT", {"b.txt", "x.y.Txt"}},
      {"f:b.*", {"b.txt", "b.txt2", "B.TXT2", "b.*"}},
      {"f:B.TXT", {"b.txt"}},
      {"f:*", {"*"}},
      {"f:A", {"a"}},
      {"f:*.gz", {"b.tar.gz"}},
      {"f:b.tar.*", {"b.tar.gz"}},
      {"f:nothing.*", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(List(c.pattern), c.expected) << c.pattern;
}

TEST_F(FileFinder, MissingAndEmptyFoldersAreNotErrors) {
  std::filesystem::create_directory(sandbox.posix("empty"));
  EXPECT_FALSE(finder.FindFirst(u"Test:missing:*.*"));
  EXPECT_FALSE(finder.m_error);
  EXPECT_FALSE(finder.FindFirst(u"Test:empty:*.*"));
  EXPECT_FALSE(finder.m_error);
  EXPECT_FALSE(finder.FindFirst(nullptr));
  EXPECT_FALSE(finder.FindFirst(u"no colon"));
}

TEST_F(FileFinder, HidesSidecarsAndSkipsNamesThatAreNotUtf8) {
  Touch("doc.txt");
  {
    CResFile rsrc;
    ASSERT_TRUE(rsrc.Open(u"Test:doc.txt", 1));
    ASSERT_EQ(rsrc.Write("rsrc", 4), 0);
  }
  ASSERT_TRUE(sandbox.exists("._doc.txt"));
  Touch("._notes.txt");  // no AppleDouble magic: an ordinary file
  Touch("bad\xff.txt");
  Touch("a:b.txt");  // ":" on disk is "/" in the program's names
  EXPECT_EQ(List("*.txt"), (Names{"doc.txt", "._notes.txt", "a/b.txt"}));
  EXPECT_EQ(List("*.*"), (Names{"doc.txt", "._notes.txt", "a/b.txt"}));
}

TEST_F(FileFinder, FindFirstRestartsTheListing) {
  Touch("1.a");
  Touch("2.a");
  Touch("3.b");
  ASSERT_TRUE(finder.FindFirst(u"Test:*.a"));
  ASSERT_TRUE(finder.FindFirst(u"Test:*.b"));
  EXPECT_EQ(std::u16string(finder.GetFileName()), u"3.b");
  EXPECT_FALSE(finder.FindNext());
  EXPECT_FALSE(finder.FindNext());
  EXPECT_EQ(std::u16string(finder.GetFileName()), u"");
}

TEST_F(FileFinder, UnreadableFolderSetsTheErrorFlag) {
  Touch("x");
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failNth(1, EIO, platform::kFsList);
  EXPECT_FALSE(finder.FindFirst(u"Test:*.*"));
  EXPECT_TRUE(finder.m_error);
  // The next listing starts clean.
  EXPECT_TRUE(finder.FindFirst(u"Test:*.*"));
  EXPECT_FALSE(finder.m_error);
}

}  // namespace
