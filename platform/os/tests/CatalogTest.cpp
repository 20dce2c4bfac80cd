#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/os/AppleDouble.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"
#include "testsupport/TempDir.h"

namespace platform {
namespace {

class Catalog : public ::testing::Test {
 protected:
  FSRef ref(const std::string& path) {
    FSRef r;
    EXPECT_EQ(resolvePath(path, r), noErr) << path;
    return r;
  }
  // Gives the file a resource fork through the fork layer.
  void writeResourceFork(const std::string& path, const std::string& bytes) {
    std::unique_ptr<Fork> fork;
    ASSERT_EQ(Fork::open(ref(path), Fork::Kind::Resource, true, fork), noErr);
    ASSERT_EQ(fork->write(bytes.data(), static_cast<uint32_t>(bytes.size())), noErr);
    ASSERT_EQ(fork->close(), noErr);
  }
  std::vector<std::string> names(const std::string& folder) {
    std::vector<DirEntry> entries;
    EXPECT_EQ(listFolder(folder, entries), noErr);
    std::vector<std::string> out;
    for (const DirEntry& e : entries) out.push_back(e.name + (e.isFolder ? "/" : ""));
    return out;
  }
  TempDir dir;
};

TEST_F(Catalog, ResolvesExactNameFirstThenFirstCaseVariant) {
  std::filesystem::create_directories(dir / "Folder/sub");
  TempDir::write(dir / "Folder/sub/File.TXT", "1");
  TempDir::write(dir / "Folder/sub/file.txt", "2");
  TempDir::write(dir / "Folder/sub/FILE.txt", "3");

  FSRef r;
  ASSERT_EQ(resolvePath(dir / "Folder/sub/file.txt", r), noErr);
  EXPECT_EQ(r.path, dir / "Folder/sub/file.txt");
  // No exact match: the first variant in sorted order ("FILE.txt" < "File.TXT").
  ASSERT_EQ(resolvePath(dir / "folder/SUB/file.Txt", r), noErr);
  EXPECT_EQ(r.path, dir / "Folder/sub/FILE.txt");
  EXPECT_EQ(resolvePath(dir / "Folder/sub/nothing", r), fnfErr);
  EXPECT_EQ(resolvePath(dir / "Folder/sub/file.txt/deeper", r), fnfErr);
  EXPECT_EQ(resolvePath("relative/path", r), paramErr);
}

TEST_F(Catalog, FoldsCaseBeyondAscii) {
  TempDir::write(dir / "Ärger Ωmega Дом", "x");
  FSRef r;
  ASSERT_EQ(resolvePath(dir / "äRGER ωMEGA дОМ", r), noErr);
  EXPECT_EQ(refName(r), "Ärger Ωmega Дом");
}

TEST_F(Catalog, NamesMatchIgnoringNormalisationAndCase) {
  const std::string composed = "Caf\xC3\xA9";     // "Café" with U+00E9
  const std::string decomposed = "Cafe\xCC\x81";  // "Cafe" + U+0301
  struct Case {
    const char* label;
    std::string onDisk;
    std::string asked;
  } cases[] = {
      {"composed finds decomposed", decomposed, composed},
      {"decomposed finds composed", composed, decomposed},
      {"and ignoring case", decomposed, "CAF\xC3\x89"},  // "CAFÉ"
      {"in a folder's name", decomposed + "/x", composed + "/x"},
      {"Hangul syllables and jamo", "\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB",  // 한, decomposed
       "\xED\x95\x9C"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir scratch;
    std::filesystem::create_directories(std::filesystem::path(scratch / c.onDisk).parent_path());
    TempDir::write(scratch / c.onDisk, "x");
    FSRef r;
    ASSERT_EQ(resolvePath(scratch / c.asked, r), noErr);
    EXPECT_EQ(r.path, scratch / c.onDisk);
  }

  // Both forms side by side: the exact name first, else the first in sorted
  // order (the decomposed "e" sorts before the composed byte 0xC3).
  TempDir::write(dir / composed, "composed");
  TempDir::write(dir / decomposed, "decomposed");
  FSRef r;
  ASSERT_EQ(resolvePath(dir / composed, r), noErr);
  EXPECT_EQ(refName(r), composed);
  ASSERT_EQ(resolvePath(dir / decomposed, r), noErr);
  EXPECT_EQ(refName(r), decomposed);
  ASSERT_EQ(resolvePath(dir / "caf\xC3\xA9", r), noErr);
  EXPECT_EQ(refName(r), decomposed);
  // Letters that only look alike stay apart.
  EXPECT_EQ(resolvePath(dir / "Cafe", r), fnfErr);
  EXPECT_EQ(resolvePath(dir / "Caf\xC3\xA8", r), fnfErr);  // è
}

TEST_F(Catalog, TrailingSlashAsksForAFolder) {
  TempDir::write(dir / "file", "x");
  std::filesystem::create_directory(dir / "folder");
  FSRef r;
  EXPECT_EQ(resolvePath(dir / "folder/", r), noErr);
  EXPECT_NE(resolvePath(dir / "file/", r), noErr);
  ASSERT_EQ(resolvePath("/", r), noErr);
  EXPECT_EQ(r.path, "/");
}

TEST_F(Catalog, ReferenceGoesStaleWhenTheNodeChanges) {
  TempDir::write(dir / "f", "x");
  FSRef r = ref(dir / "f");
  EXPECT_TRUE(isRefValid(r));
  TempDir::write(dir / "g", "replacement");
  std::filesystem::rename(dir / "g", dir / "f");
  EXPECT_FALSE(isRefValid(r));
  EXPECT_TRUE(isRefValid(ref(dir / "f")));
}

TEST_F(Catalog, ReferenceNamesALinkNotItsTarget) {
  TempDir::write(dir / "target", "x");
  ASSERT_EQ(::symlink("target", (dir / "link").c_str()), 0);
  FSRef link = ref(dir / "link");
  EXPECT_EQ(link.path, dir / "link");
  EXPECT_NE(link.inode, ref(dir / "target").inode);

  CatalogInfo info;
  ASSERT_EQ(getCatalogInfo(link, info), noErr);
  EXPECT_TRUE(info.isSymlink);
  EXPECT_EQ(info.dataLogicalSize, 1u);  // reading follows the link
  // Deleting removes the link only.
  ASSERT_EQ(deleteObject(link), noErr);
  EXPECT_FALSE(TempDir::exists(dir / "link"));
  EXPECT_EQ(TempDir::read(dir / "target"), "x");
}

TEST_F(Catalog, ChangesNeverGoThroughALink) {
  TempDir::write(dir / "target", "x");
  ::chmod((dir / "target").c_str(), 0644);
  ASSERT_EQ(::symlink("target", (dir / "link").c_str()), 0);
  FSRef link = ref(dir / "link");
  // Linux cannot lock or tag a link itself: the change fails and the
  // target keeps its mode and Finder info.
  EXPECT_NE(setLocked(link, true), noErr);
  uint8_t info[kFinderInfoSize] = {1};
  EXPECT_NE(writeFinderInfo(link.path, info), noErr);
  struct stat st;
  ::stat((dir / "target").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  uint8_t back[kFinderInfoSize];
  ASSERT_EQ(readFinderInfo(dir / "target", back), noErr);
  EXPECT_TRUE(finderInfoIsZero(back));
  // Moving moves the link.
  ASSERT_EQ(moveObject(link, dir / "moved"), noErr);
  EXPECT_EQ(::readlink((dir / "moved").c_str(), reinterpret_cast<char*>(back), sizeof back), 6);
  EXPECT_TRUE(TempDir::exists(dir / "target"));
}

TEST_F(Catalog, NamesSwapSlashAndColon) {
  HFSUniStr255 name;
  ASSERT_TRUE(posixNameToHfs("a:b/c", name));
  EXPECT_EQ(std::u16string(name.unicode, name.length), u"a/b/c");
  std::string posix;
  ASSERT_TRUE(hfsNameToPosix(name, posix));
  EXPECT_EQ(posix, "a:b:c");
  // Cut at 255 units, never inside a surrogate pair.
  ASSERT_TRUE(posixNameToHfs(std::string(254, 'x') + "\xf0\x9f\x98\x80", name));
  EXPECT_EQ(name.length, 254);
  EXPECT_FALSE(posixNameToHfs("bad\xff", name));
  const std::u16string bads[] = {u"", u".", u"..", std::u16string(u"a\0b", 3),
                                 std::u16string(1, char16_t(0xD800))};
  for (const std::u16string& bad : bads) {
    HFSUniStr255 n;
    n.length = static_cast<uint16_t>(bad.size());
    std::copy(bad.begin(), bad.end(), n.unicode);
    EXPECT_FALSE(hfsNameToPosix(n, posix));
  }
}

TEST_F(Catalog, FinderInfoRoundTripAndAbsenceIsZero) {
  TempDir::write(dir / "f", "x");
  uint8_t info[kFinderInfoSize];
  ASSERT_EQ(readFinderInfo(dir / "f", info), noErr);
  EXPECT_TRUE(finderInfoIsZero(info));

  setFinderInfoType(info, 0x54455854);     // TEXT
  setFinderInfoCreator(info, 0x74747874);  // ttxt
  setFinderInfoFlags(info, 0x0100);
  ASSERT_EQ(writeFinderInfo(dir / "f", info), noErr);
  uint8_t back[kFinderInfoSize];
  ASSERT_EQ(readFinderInfo(dir / "f", back), noErr);
  EXPECT_EQ(finderInfoType(back), 0x54455854u);
  EXPECT_EQ(finderInfoCreator(back), 0x74747874u);
  EXPECT_EQ(finderInfoFlags(back), 0x0100);
  EXPECT_EQ(back[0], 'T');  // stored big-endian, as on disk elsewhere

  // Writing zeros removes the attribute altogether.
  uint8_t zero[kFinderInfoSize] = {};
  ASSERT_EQ(writeFinderInfo(dir / "f", zero), noErr);
  EXPECT_LT(::getxattr((dir / "f").c_str(), kFinderInfoXattr, back, sizeof back), 0);
  EXPECT_EQ(readFinderInfo(dir / "missing", back), fnfErr);
}

TEST_F(Catalog, LockedMeansOwnerWriteBitClear) {
  TempDir::write(dir / "f", "x");
  ::chmod((dir / "f").c_str(), 0664);
  FSRef r = ref(dir / "f");
  ASSERT_EQ(setLocked(r, true), noErr);
  struct stat st;
  ::stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  CatalogInfo info;
  ASSERT_EQ(getCatalogInfo(r, info), noErr);
  EXPECT_TRUE(info.nodeFlags & kNodeLocked);
  ASSERT_EQ(setLocked(r, false), noErr);
  ::stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Catalog, SetsAttributesOfALockedFileInTheRightOrder) {
  // Finder info and dates are written while the file is writable, and the
  // lock comes last, so a copy can end with a locked file.
  TempDir::write(dir / "f", "x");
  CatalogInfo info;
  ASSERT_EQ(getCatalogInfo(ref(dir / "f"), info), noErr);
  info.mode = 0444;
  info.nodeFlags = kNodeLocked;
  setFinderInfoType(info.finderInfo, 0x41424344);
  info.contentModDate.tv_sec = 1000000000;
  info.contentModDate.tv_nsec = 0;
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  ASSERT_EQ(setCatalogInfo(ref(dir / "f"), kCatSettable, info), noErr);
  const auto calls = fs.calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().op, kFsChmod);
  struct stat st;
  ::stat((dir / "f").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(Catalog, CreateIsExclusiveAndChecksNames) {
  FSRef folder = ref(dir.path());
  uint8_t info[kFinderInfoSize] = {};
  setFinderInfoType(info, 0x54455854);
  FSRef created;
  ASSERT_EQ(createFile(folder, "new", info, created), noErr);
  EXPECT_EQ(created.path, dir / "new");
  uint8_t back[kFinderInfoSize];
  ASSERT_EQ(readFinderInfo(dir / "new", back), noErr);
  EXPECT_EQ(finderInfoType(back), 0x54455854u);

  EXPECT_EQ(createFile(folder, "new", nullptr, created), dupFNErr);
  for (const char* bad : {"", ".", "..", "a/b"})
    EXPECT_EQ(createFile(folder, bad, nullptr, created), bdNamErr) << bad;
  EXPECT_EQ(createFile(created, "inside-a-file", nullptr, created), dirNFErr);
  EXPECT_EQ(createFolder(folder, "sub", created), noErr);
  EXPECT_EQ(createFolder(folder, "sub", created), dupFNErr);
}

TEST_F(Catalog, FailedFinderInfoLeavesNoNewFile) {
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  fs.failNth(1, EIO, kFsSetXattr);
  uint8_t info[kFinderInfoSize] = {1};
  FSRef created;
  EXPECT_EQ(createFile(ref(dir.path()), "new", info, created), ioErr);
  EXPECT_FALSE(TempDir::exists(dir / "new"));
}

TEST_F(Catalog, DeleteTakesTheSidecarAlong) {
  TempDir::write(dir / "f", "data");
  writeResourceFork(dir / "f", "resources");
  ASSERT_TRUE(TempDir::exists(dir / "._f"));
  ASSERT_EQ(deleteObject(ref(dir / "f")), noErr);
  EXPECT_FALSE(TempDir::exists(dir / "f"));
  EXPECT_FALSE(TempDir::exists(dir / "._f"));

  std::filesystem::create_directories(dir / "full/x");
  EXPECT_EQ(deleteObject(ref(dir / "full")), fBsyErr);
  FSRef stale = ref(dir / "full/x");
  ASSERT_EQ(deleteObject(stale), noErr);
  EXPECT_EQ(deleteObject(stale), fnfErr);
}

TEST_F(Catalog, MoveCarriesTheSidecarOrUndoes) {
  TempDir::write(dir / "f", "data");
  writeResourceFork(dir / "f", "rsrc");
  std::filesystem::create_directory(dir / "sub");
  FSRef r = ref(dir / "f");
  ASSERT_EQ(moveObject(r, dir / "sub/g"), noErr);
  EXPECT_EQ(r.path, dir / "sub/g");
  EXPECT_TRUE(hasSidecar(dir / "sub/g"));
  EXPECT_FALSE(TempDir::exists(dir / "._f"));

  // The sidecar's move fails: the item goes back where it was.
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  fs.failPath("._h", EIO, kFsRename);
  EXPECT_EQ(moveObject(r, dir / "h"), ioErr);
  EXPECT_EQ(r.path, dir / "sub/g");
  EXPECT_TRUE(TempDir::exists(dir / "sub/g"));
  EXPECT_TRUE(hasSidecar(dir / "sub/g"));
  EXPECT_FALSE(TempDir::exists(dir / "h"));

  TempDir::write(dir / "taken", "x");
  EXPECT_EQ(moveObject(r, dir / "taken"), dupFNErr);
  EXPECT_EQ(TempDir::read(dir / "taken"), "x");
}

TEST_F(Catalog, NamesTooLongForASidecarHaveAnEmptyFork) {
  // "._" plus 254 or 255 bytes is over the limit of a name: such files can
  // have no sidecar, yet are seen, moved and deleted like any other. A name
  // of 253 bytes still takes its sidecar.
  for (size_t length : {253u, 254u, 255u}) {
    SCOPED_TRACE(length);
    const std::string name(length, 'n');
    const std::string other(length, 'o');
    TempDir::write(dir / name, "data");
    CatalogInfo info;
    ASSERT_EQ(getCatalogInfo(ref(dir / name), info), noErr);
    EXPECT_EQ(info.dataLogicalSize, 4u);
    EXPECT_EQ(info.rsrcLogicalSize, 0u);

    std::unique_ptr<Fork> fork;
    ASSERT_EQ(Fork::open(ref(dir / name), Fork::Kind::Resource, false, fork), noErr);
    int64_t size = -1;
    EXPECT_EQ(fork->getSize(size), noErr);
    EXPECT_EQ(size, 0);
    fork.reset();

    ASSERT_EQ(Fork::open(ref(dir / name), Fork::Kind::Resource, true, fork), noErr);
    const int32_t written = fork->write("r", 1);
    EXPECT_EQ(fork->close(), noErr);
    fork.reset();
    if (length == 253) {
      EXPECT_EQ(written, noErr);
      ASSERT_EQ(getCatalogInfo(ref(dir / name), info), noErr);
      EXPECT_EQ(info.rsrcLogicalSize, 1u);
    } else {
      // Only a fork with bytes in it cannot be kept.
      EXPECT_EQ(written, bdNamErr);
    }

    EXPECT_EQ(names(dir.path()), std::vector<std::string>{name});
    FSRef r = ref(dir / name);
    ASSERT_EQ(moveObject(r, dir / other), noErr);
    EXPECT_EQ(refName(r), other);
    ASSERT_EQ(deleteObject(r), noErr);
    EXPECT_EQ(names(dir.path()), std::vector<std::string>{});
  }
}

TEST_F(Catalog, ListingHidesSidecarsOnly) {
  TempDir::write(dir / "b.txt", "x");
  writeResourceFork(dir / "b.txt", "r");
  std::filesystem::create_directory(dir / "c.d");
  TempDir::write(dir / "a", "x");
  // A "._" file without the magic, and one whose file is missing, are ordinary.
  TempDir::write(dir / "._a", "not a sidecar");
  TempDir::write(dir / "._gone", TempDir::read(dir / "._b.txt"));
  EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"._a", "._gone", "a", "b.txt", "c.d/"}));
}

TEST_F(Catalog, ListingSkipsNamesThatAreNotUtf8) {
  TempDir::write(dir / "good", "x");
  TempDir::write(dir / "bad\xff", "x");
  TempDir::write(dir / "overlong\xc0\xaf", "x");
  TempDir::write(dir / "surrogate\xed\xa0\x80", "x");
  TempDir::write(dir / "caf\xc3\xa9", "x");
  EXPECT_EQ(names(dir.path()), (std::vector<std::string>{"caf\xc3\xa9", "good"}));
  std::vector<DirEntry> entries;
  EXPECT_EQ(listFolder(dir / "missing", entries), fnfErr);
}

TEST_F(Catalog, Utf8Validation) {
  EXPECT_TRUE(isValidUtf8("plain"));
  EXPECT_TRUE(isValidUtf8("\xf0\x9f\x98\x80"));
  EXPECT_FALSE(isValidUtf8("\xf4\x90\x80\x80"));  // past U+10FFFF
  EXPECT_FALSE(isValidUtf8("\xe0\x80\xaf"));      // overlong
  EXPECT_FALSE(isValidUtf8("\xc3"));              // truncated
}

TEST_F(Catalog, VolumeSizesComeThroughTheSeam) {
  FaultInjectingFileSystem fs;
  FileSystemOverride use(fs);
  fs.setFreeBlocks(7);
  uint64_t blockSize = 0, freeBlocks = 0;
  ASSERT_EQ(getVolumeSizes(ref(dir.path()), blockSize, freeBlocks), noErr);
  EXPECT_GT(blockSize, 0u);
  EXPECT_EQ(freeBlocks, 7u);
}

}  // namespace
}  // namespace platform
