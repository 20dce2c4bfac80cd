#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPackageNameSet.h"
#include "foundation/tests/CZorbOSTestFixture.h"
#include "pkg/BasePkgEntryIterator.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"

namespace fs = std::filesystem;

namespace {

class Packing : public CZorbOSTest {
 protected:
  // Every file (path -> contents) and folder (path -> "/") below relative.
  std::map<std::string, std::string> Tree(const std::string& relative) {
    std::map<std::string, std::string> tree;
    const fs::path top = sandbox.posix(relative);
    for (const auto& item : fs::recursive_directory_iterator(top)) {
      const std::string name = fs::relative(item.path(), top).string();
      tree[name] = item.is_directory() ? "/" : sandbox.readFile(relative + "/" + name);
    }
    return tree;
  }

  void SetDate(const std::string& relative, int y, int mo, int d, int h, int mi, int s) {
    CZorbDateTime date;
    date.Set(static_cast<uint16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d),
             static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(s));
    ASSERT_TRUE(CZorbOS::SetFileDateTime(C(relative), date)) << relative;
  }

  std::string DateOf(const std::string& relative) {
    CZorbDateTime date;
    EXPECT_TRUE(CZorbOS::GetFileDateTime(C(relative), date)) << relative;
    return Str(CString(date));
  }

  // A zip written entry by entry with the record classes, names as given.
  void WriteZip(const std::string& relative,
                const std::vector<std::pair<std::string, std::string>>& entries) {
    auto file = std::make_shared<pkgtest::MemoryFile>();
    pkgtest::ArchiveWriter writer(file);
    for (const auto& [name, data] : entries) writer.add(name, data);
    writer.finish();
    sandbox.writeFile(relative, file->str());
  }

  static bool HaveUnzip() { return std::system("command -v unzip >/dev/null 2>&1") == 0; }
};

std::string RandomBytes(size_t n) {
  std::mt19937 rng(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

}  // namespace

TEST_F(Packing, DosTextsOfDatesAndTimes) {
  struct Case {
    int y, mo, d, h, mi, s;
    const char* date;
    const char* time;
  } cases[] = {
      {2010, 3, 10, 1, 2, 4, "6A3C", "4208"},
      {1980, 1, 1, 0, 0, 0, "2100", "0000"},
      {2024, 12, 31, 23, 59, 59, "9F59", "7DBF"},
      {1979, 12, 31, 23, 59, 59, "1500", "0000"},  // before DOS dates: "none"
  };
  for (const Case& c : cases) {
    CZorbDateTime dt;
    dt.Set(static_cast<uint16_t>(c.y), static_cast<uint16_t>(c.mo), static_cast<uint16_t>(c.d),
           static_cast<uint16_t>(c.h), static_cast<uint16_t>(c.mi), static_cast<uint16_t>(c.s));
    std::string date, time;
    EXPECT_TRUE(CZorbOS::transferDateTimeToDosTime(dt, date, time));
    EXPECT_EQ(date, c.date) << c.y;
    EXPECT_EQ(time, c.time) << c.y;
  }
  CZorbDateTime back;
  EXPECT_TRUE(CZorbOS::transferDosTimeToDateTime("6A3C", "4208", back));
  EXPECT_EQ(Str(CString(back)), "2010-3-10-1-2-4");
  EXPECT_TRUE(CZorbOS::transferDosTimeToDateTime("9F59", "7DBF", back));
  EXPECT_EQ(Str(CString(back)), "2024-12-31-23-59-58");
}

TEST_F(Packing, TreeRoundTripsWithDatesAndEmptyFolders) {
  sandbox.makeFolder("src/A");
  sandbox.writeFile("src/B/c.txt", "see");
  sandbox.writeFile("src/top.bin", RandomBytes(5000));
  sandbox.writeFile("src/deep/er/est/d.txt", std::string(20000, 'd'));
  sandbox.writeFile("src/name:with colon.txt", "colon");
  sandbox.writeFile("src/empty.txt", "");
  sandbox.makeFolder("src/deep/hollow");
  SetDate("src/B/c.txt", 2010, 3, 10, 1, 2, 4);
  SetDate("src/top.bin", 2012, 3, 27, 10, 30, 13);

  ASSERT_TRUE(CZorbOS::PackZipFile(C("out/t.zip"), C("src")));
  const std::string zip = sandbox.posix("out/t.zip");
  if (HaveUnzip()) {
    EXPECT_EQ(std::system(("unzip -tq '" + zip + "' >/dev/null 2>&1").c_str()), 0);
  }
  {
    // Files first, then the empty folders; the dates travel as DOS texts.
    auto package = pkg::zip::ZipPackageFactory::getInstance()->openPackage(zip, std::ios_base::in);
    std::vector<std::string> names;
    for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it)
      names.push_back((*it)->getName());
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
              (std::vector<std::string>{"A/", "deep/hollow/"}));
    auto c = package->getFile("B/c.txt", true);
    EXPECT_EQ(c->getProperty(pkg::kZipPropDOSDate), "6A3C");
    EXPECT_EQ(c->getProperty(pkg::kZipPropDOSTime), "4208");
    EXPECT_EQ(package->entryExists("name:with colon.txt"), pkg::kEntryFile);
    package->close();
  }

  ASSERT_TRUE(CZorbOS::unPackZipFile(C("out/t.zip"), C("new/dest")));
  EXPECT_EQ(Tree("new/dest"), Tree("src"));
  EXPECT_EQ(DateOf("new/dest/B/c.txt"), "2010-3-10-1-2-4");
  // DOS times count in steps of two seconds.
  EXPECT_EQ(DateOf("new/dest/top.bin"), "2012-3-27-10-30-12");
  const std::string temp = sandbox.homeRelative() + "/Library/Caches/TemporaryItems";
  if (sandbox.exists(temp)) {
    EXPECT_TRUE(sandbox.list(temp).empty());
  }
}

TEST_F(Packing, AFolderAtTheZipPathGoesOnlyWhenEmpty) {
  sandbox.writeFile("src/a.txt", "a");
  sandbox.makeFolder("out/t.zip");
  EXPECT_TRUE(CZorbOS::PackZipFile(C("out/t.zip"), C("src")));
  EXPECT_FALSE(sandbox.isFolder("out/t.zip"));

  sandbox.writeFile("out/u.zip/inside", "x");
  EXPECT_FALSE(CZorbOS::PackZipFile(C("out/u.zip"), C("src")));
  EXPECT_EQ(sandbox.readFile("out/u.zip/inside"), "x");
}

TEST_F(Packing, AFileThatCannotBeReadLeavesNoZip) {
  sandbox.writeFile("src/a.txt", "a");
  sandbox.writeFile("src/b.txt", "b");
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  faults.failPath("src/b.txt", EIO, platform::kFsOpenRead);
  EXPECT_FALSE(CZorbOS::PackZipFile(C("out/t.zip"), C("src")));
  EXPECT_FALSE(sandbox.exists("out/t.zip"));
}

TEST_F(Packing, ADamagedEntryStopsTheUnpackingThere) {
  const std::string text(6000, 'x');
  WriteZip("d.zip", {{"1.txt", text}, {"2.txt", text}, {"3.txt", text}, {"4.txt", text}});
  // Scramble the data of the third entry.
  std::string bytes = sandbox.readFile("d.zip");
  auto memory = std::make_shared<pkgtest::MemoryFile>(bytes);
  pkgtest::ArchiveReader reader(memory);
  const auto& third = *reader.entries()[2];
  const size_t data = third.localHeaderOffset + 30 + 5;
  for (size_t i = 0; i < third.compressedSize; i += 3)
    bytes[data + i] = static_cast<char>(~bytes[data + i]);
  sandbox.writeFile("d.zip", bytes);

  EXPECT_FALSE(CZorbOS::unPackZipFile(C("d.zip"), C("dest")));
  EXPECT_EQ(sandbox.list("dest"), (std::vector<std::string>{"1.txt", "2.txt"}));
  EXPECT_EQ(sandbox.readFile("dest/2.txt"), text);
}

TEST_F(Packing, AnEntryWhoseLastBytesCannotBeWrittenFailsTheUnpacking) {
  // A small entry stays in the file's buffer until the file is closed.
  WriteZip("s.zip", {{"small.txt", "a few bytes"}});
  {
    platform::FaultInjectingFileSystem faults;
    platform::FileSystemOverride use(faults);
    faults.failPath("dest/small.txt", ENOSPC, platform::kFsWrite);
    EXPECT_FALSE(CZorbOS::unPackZipFile(C("s.zip"), C("dest")));
  }
  EXPECT_FALSE(sandbox.exists("dest/small.txt"));
}

TEST_F(Packing, NamesThatWouldLeaveTheDestinationAreRefused) {
  const char* hostile[] = {"../evil.txt",      "/evil.txt",          "a//evil.txt", "./evil.txt",
                           "a/../../evil.txt", "a/#/../../evil.txt", "../",         "a/./evil/"};
  sandbox.makeFolder("box/dest");
  for (const char* name : hostile) {
    SCOPED_TRACE(name);
    fs::remove_all(sandbox.posix("box/dest"));
    sandbox.makeFolder("box/dest");
    WriteZip("h.zip", {{"ok.txt", "fine"}, {name, "evil"}, {"later.txt", "never"}});
    EXPECT_FALSE(CZorbOS::unPackZipFile(C("h.zip"), C("box/dest")));
    EXPECT_EQ(sandbox.list("box"), (std::vector<std::string>{"dest"}));
    EXPECT_EQ(sandbox.list("box/dest"), (std::vector<std::string>{"ok.txt"}));
    EXPECT_FALSE(sandbox.exists("evil.txt"));
  }
}

TEST_F(Packing, AZipWrittenInsideTheFolderIsNotPackedIntoItself) {
  sandbox.writeFile("src/a.txt", "a");
  ASSERT_TRUE(CZorbOS::PackZipFile(C("src/self.zip"), C("src")));
  ASSERT_TRUE(CZorbOS::unPackZipFile(C("src/self.zip"), C("dest")));
  EXPECT_EQ(sandbox.list("dest"), (std::vector<std::string>{"a.txt"}));
}

namespace {

// How often the folder at posix was listed through the file-system seam.
int Listings(const platform::FaultInjectingFileSystem& fs, const std::string& posix) {
  int count = 0;
  for (const auto& call : fs.calls())
    if (call.op == platform::kFsList && call.path == posix) ++count;
  return count;
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

}  // namespace

// A link that stands in the destination, whatever the case of the entry's
// names, is never written through: the entry fails the unpacking.
TEST_F(Packing, LinksInTheDestinationAreNeverWrittenThrough) {
  const char* const entries[] = {"sub/x.txt", "SUB/x.txt",  "sub/deeper/x.txt",
                                 "Sub/made/", "victim.txt", "VICTIM.TXT"};
  for (const char* entry : entries) {
    SCOPED_TRACE(entry);
    fs::remove_all(sandbox.posix("box"));
    sandbox.makeFolder("box/dest");
    sandbox.writeFile("box/outside/victim.txt", "original");
    fs::create_directory_symlink(sandbox.posix("box/outside"), sandbox.posix("box/dest/sub"));
    fs::create_symlink(sandbox.posix("box/outside/victim.txt"),
                       sandbox.posix("box/dest/victim.txt"));
    WriteZip("l.zip", {{"ok.txt", "fine"}, {entry, "evil"}, {"later.txt", "never"}});
    EXPECT_FALSE(CZorbOS::unPackZipFile(C("l.zip"), C("box/dest")));
    EXPECT_EQ(sandbox.list("box/outside"), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(sandbox.readFile("box/outside/victim.txt"), "original");
    EXPECT_EQ(sandbox.list("box/dest"), (std::vector<std::string>{"ok.txt", "sub", "victim.txt"}));
  }
}

// Entries that would land on one another fail the unpacking before
// anything is written; the walk over the package lists only the first
// entry of a name. A folder may be named more than once.
TEST_F(Packing, EntriesThatLandOnOneAnotherFailTheUnpacking) {
  struct Case {
    const char* first;
    const char* second;
    bool unpacks;
  } cases[] = {
      {"a.txt", "a.txt", false},
      {"Notes.txt", "notes.txt", false},
      {"Caf\xC3\xA9.txt", "CAFE\xCC\x81.TXT", false},  // composed, decomposed
      {"a", "a/b.txt", false},
      {"d/b.txt", "D", false},
      {"d/b.txt", "d/", true},
      {"d/", "D/b.txt", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " then " + c.second);
    fs::remove_all(sandbox.posix("dest"));
    sandbox.makeFolder("dest");
    WriteZip("d.zip", {{c.first, "one"}, {c.second, "two"}});
    EXPECT_EQ(CZorbOS::unPackZipFile(C("d.zip"), C("dest")), c.unpacks);
    EXPECT_EQ(sandbox.list("dest").empty(), !c.unpacks);
  }
  EXPECT_EQ(sandbox.readFile("dest/d/b.txt"), "two");
}

// Names whose paths cannot exist below the destination are refused, and
// nothing is made for them.
TEST_F(Packing, NamesBeyondTheLimitsAreRefused) {
  std::string deepest;
  for (int i = 1; i < CZorbPackageNameSet::kMaxDepth; ++i) deepest += "d/";
  struct Case {
    const char* what;
    std::string name;
    bool unpacks;
  } cases[] = {
      {"as deep as allowed", deepest + "x.txt", true},
      {"one level deeper", deepest + "d/x.txt", false},
      {"the longest component", std::string(255, 'n'), true},
      {"a longer component", std::string(256, 'n'), false},
      {"a longer component in UTF-8", std::string(254, 'n') + "\xC3\xA9", false},
      {"a longer path than the program's", Repeat(std::string(250, 'p') + "/", 10) + "x", false},
      {"a longer path than the system's", Repeat(Repeat("\xE6\x97\xA5", 80) + "/", 18) + "x",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(sandbox.posix("dest"));
    sandbox.makeFolder("dest");
    WriteZip("n.zip", {{c.name, "x"}});
    EXPECT_EQ(CZorbOS::unPackZipFile(C("n.zip"), C("dest")), c.unpacks);
    EXPECT_EQ(sandbox.list("dest").empty(), !c.unpacks);
  }
}

// Each new name is looked up in its folder without listing the folder for
// it: the folder is listed once, whatever the number of entries.
TEST_F(Packing, AFolderIsListedOnceForAllItsNewEntries) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (int i = 0; i < 100; ++i) entries.emplace_back("many/f" + std::to_string(i) + ".txt", "x");
  WriteZip("m.zip", entries);
  sandbox.makeFolder("dest");
  platform::FaultInjectingFileSystem faults;
  {
    platform::FileSystemOverride use(faults);
    ASSERT_TRUE(CZorbOS::unPackZipFile(C("m.zip"), C("dest")));
  }
  EXPECT_EQ(sandbox.list("dest/many").size(), 100u);
  EXPECT_LE(Listings(faults, sandbox.posix("dest/many")), 1);
  EXPECT_LE(Listings(faults, sandbox.posix("dest")), 1);
}
