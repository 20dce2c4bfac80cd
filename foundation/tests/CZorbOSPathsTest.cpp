#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "foundation/CZorbFolder.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/tests/CZorbOSTestFixture.h"

namespace fs = std::filesystem;

namespace {

std::ostringstream* g_log = nullptr;

Logger* CapturingSetUp() {
  auto out = std::make_unique<std::ostringstream>();
  g_log = out.get();
  return new Logger(std::move(out));
}

// The lines logged, each with its time replaced by "T".
std::vector<std::string> LoggedLines() {
  std::vector<std::string> lines;
  if (g_log == nullptr) return lines;
  std::istringstream in(g_log->str());
  std::string line;
  while (std::getline(in, line)) lines.push_back(CZorbOSTest::WithoutTime(line));
  return lines;
}

class Paths : public CZorbOSTest {
 protected:
  void SetUp() override {
    CZorbOSTest::SetUp();
    g_log = nullptr;
    Logger::resetForTest(&CapturingSetUp);
  }
  void TearDown() override {
    Logger::resetForTest(nullptr);
    g_log = nullptr;
    CZorbOSTest::TearDown();
  }
  std::u16string U(const std::string& s) const { return std::u16string(s.begin(), s.end()); }
};

TEST_F(Paths, ColonToPosixMakesMissingFolders) {
  CString posix(u"unchanged");
  ASSERT_TRUE(CZorbOS::convertPath(C("Users/ann"), posix));
  EXPECT_EQ(Str(posix), sandbox.posix("Users/ann"));
  ASSERT_TRUE(CZorbOS::convertPathWithNoLog(C("new/deeper/"), posix));
  EXPECT_EQ(Str(posix), sandbox.posix("new/deeper"));
  EXPECT_TRUE(sandbox.isFolder("new/deeper"));
  // Names are found ignoring case and given as they are on disk.
  ASSERT_TRUE(CZorbOS::convertPath(C("USERS/Ann"), posix));
  EXPECT_EQ(Str(posix), sandbox.posix("Users/ann"));
  // An existing file converts as it is.
  sandbox.writeFile("pkg.yxp", "zip");
  ASSERT_TRUE(CZorbOS::convertPath(C("pkg.yxp"), posix));
  EXPECT_EQ(Str(posix), sandbox.posix("pkg.yxp"));
  EXPECT_EQ(sandbox.readFile("pkg.yxp"), "zip");
  EXPECT_TRUE(LoggedLines().empty());
}

TEST_F(Paths, ColonToPosixRefusals) {
  const std::u16string refused[] = {
      u"Nowhere:a",                   // unknown volume
      sandbox.colon("a") + u"::b",    // empty component
      sandbox.colon("a") + u":..:b",  // climbing out
      u":relative",
      u"",
  };
  for (const auto& path : refused) {
    CString posix(u"unchanged");
    EXPECT_FALSE(CZorbOS::convertPathWithNoLog(
        CString(path.c_str(), static_cast<uint32_t>(path.size())), posix));
    EXPECT_EQ(Str(posix), "unchanged");
  }
  EXPECT_EQ(sandbox.list(""),
            (std::vector<std::string>{"Applications", "Library", "System", "Users", "tmp"}));

  CString posix;
  EXPECT_FALSE(CZorbOS::convertPath(CString(u"Nowhere:a"), posix));
  EXPECT_EQ(LoggedLines(),
            std::vector<std::string>{"[FATAL] T (MacPathConvert,187) -create directory failed"});
}

TEST_F(Paths, PosixToColon) {
  sandbox.writeFile("Users/ann/a:b.txt", "x");
  struct Case {
    std::string posix;
    std::u16string colon;
  } cases[] = {
      {sandbox.root(), u"Disk:"},
      {sandbox.root() + "/", u"Disk:"},
      {sandbox.posix("Users/ann/"), u"Disk:Users:ann"},
      {sandbox.posix("Users/ann/a:b.txt"), u"Disk:Users:ann:a/b.txt"},
      {sandbox.posix("users/ANN"), u"Disk:Users:ann"},                  // as on disk
      {sandbox.posix("Users/ann/new/x:y"), u"Disk:Users:ann:new:x/y"},  // missing parts
      {sandbox.posix("Users/ann/./new//more/"), u"Disk:Users:ann:new:more"},
      {sandbox.posix("Users/ann/../bob/new"), u"Disk:Users:bob:new"},
      {sandbox.posix("Users/ann/x &lt; y"), u"Disk:Users:ann:x < y"},
      {sandbox.posix("Users/ann/&quot;q&apos; &gt;"), u"Disk:Users:ann:\"q' >"},
      // Each entity is decoded once: encoded entity text stays text.
      {sandbox.posix("Users/ann/x &amp;lt; y"), u"Disk:Users:ann:x &lt; y"},
      {sandbox.posix("Users/ann/odd&amp;lt;name&amp;gt;.yxp"),
       u"Disk:Users:ann:odd&lt;name&gt;.yxp"},
      {sandbox.posix("Users/ann/&amp;amp;"), u"Disk:Users:ann:&amp;"},
      {sandbox.posix("Users/ann/a & b &lt"), u"Disk:Users:ann:a & b &lt"},
  };
  for (const auto& c : cases) {
    CString colon(u"unchanged");
    const std::u16string in = U(c.posix);
    ASSERT_TRUE(CZorbOS::convertPath(in, colon, true)) << c.posix;
    EXPECT_EQ(std::u16string(colon.Get()), c.colon) << c.posix;
  }
  // Nothing was made on the way.
  EXPECT_FALSE(sandbox.exists("Users/ann/new"));
  EXPECT_FALSE(sandbox.exists("Users/bob"));
  EXPECT_TRUE(LoggedLines().empty());
}

TEST_F(Paths, PosixToColonRefusals) {
  CString colon(u"unchanged");
  EXPECT_FALSE(CZorbOS::convertPath(U("relative/path"), colon, true));
  EXPECT_EQ(Str(colon), "unchanged");
  EXPECT_EQ(LoggedLines(), (std::vector<std::string>{
                               "[FATAL] T (MacPathConvert,90) -the source path is not correct:",
                               "[FATAL] T (MacPathConvert,91) -relative/path",
                           }));
  // Without logErrors nothing is written.
  EXPECT_FALSE(CZorbOS::convertPath(U(""), colon, false));
  EXPECT_EQ(LoggedLines().size(), 2u);
  // Outside every volume, and climbing out of the sandbox.
  EXPECT_FALSE(CZorbOS::convertPath(U("/"), colon, true));
  EXPECT_FALSE(CZorbOS::convertPath(U(sandbox.root() + "/../../x"), colon, true));
  EXPECT_FALSE(CZorbOS::convertPath(std::u16string(u"/a\0b", 4), colon, true));
  EXPECT_EQ(Str(colon), "unchanged");
}

TEST_F(Paths, StartupVolumeRoot) {
  // A machine whose volume is mounted at "/".
  sandbox.config().volumes = {{"Disk", "/"}};
  sandbox.apply();
  CString colon;
  ASSERT_TRUE(CZorbOS::convertPath(U("/"), colon, true));
  EXPECT_EQ(Str(colon), "Disk:");
}

using Folder = CZorbOSTest;

TEST_F(Folder, ParentEmptinessAndCreation) {
  struct Case {
    std::u16string path, parent;
  } cases[] = {
      {u"Disk:A:B:", u"Disk:A"},
      {u"Disk:A:B", u"Disk:A"},
      {u"Disk:", u""},
      {u"Disk", u""},
      {u"", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(std::u16string(CZorbFolder(c.path.c_str()).GetParentFolder().Get()), c.parent);

  CZorbFolder folder(C("one/two/three/"));
  EXPECT_TRUE(folder.IsEmpty());  // missing counts as empty
  ASSERT_TRUE(folder.Create());
  EXPECT_TRUE(sandbox.isFolder("one/two/three"));
  EXPECT_TRUE(folder.IsEmpty());
  sandbox.writeFile("one/two/three/f", "");
  EXPECT_FALSE(folder.IsEmpty());
  EXPECT_TRUE(folder.Create());
  EXPECT_FALSE(CZorbFolder(u"Nowhere:x").Create());
}

}  // namespace
