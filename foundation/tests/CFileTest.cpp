#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "foundation/CBufferedFile.h"
#include "foundation/CFile.h"
#include "foundation/CMemoryMappedFile.h"
#include "foundation/CRawFile.h"
#include "foundation/CResFile.h"
#include "foundation/FSRefCache.h"
#include "foundation/FSRefCopyFile.h"
#include "platform/os/AppleDouble.h"
#include "platform/os/Catalog.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "testsupport/SandboxMachine.h"

namespace {

class CFileTest : public ::testing::Test {
 protected:
  // Colon paths read "Test:a:b", on a volume over an empty folder.
  testsupport::SandboxMachine sandbox{testsupport::SandboxMachine::bareVolume("Test")};

  static std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
  }

  template <class Stream>
  static bool Uses(const CFile& file) {
    return file.m_fileBuffer && dynamic_cast<const Stream*>(file.m_fileBuffer->GetStream());
  }
};

TEST_F(CFileTest, OpeningMissingFilesFails) {
  CFile file;
  EXPECT_FALSE(file.Open(sandbox.colon("missing").c_str(), 0));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Open(sandbox.colon("missing").c_str(), 1));
  EXPECT_FALSE(file.IsOpen());
  // A parent folder that does not exist fails even when creating.
  EXPECT_FALSE(file.Open(sandbox.colon("nofolder/f").c_str(), 4097));
  EXPECT_FALSE(sandbox.exists("nofolder"));
  // Paths the volume table refuses.
  EXPECT_FALSE(file.Open(u"Other:f", 4097));
  EXPECT_FALSE(file.Open(sandbox.colon("a/../f").c_str(), 4097));
  EXPECT_FALSE(file.Open(nullptr, 0));
}

TEST_F(CFileTest, CreateReplacesWithTypeAndCreator) {
  sandbox.writeFile("f.txt", "old content");
  {
    CFile file;
    ASSERT_TRUE(file.Open(sandbox.colon("f.txt").c_str(), 4097));
    EXPECT_EQ(file.GetLength(), 0);
    EXPECT_EQ(file.Write("new", 3), 0);
    file.Close();
  }
  EXPECT_EQ(sandbox.readFile("f.txt"), "new");
  uint8_t info[platform::kFinderInfoSize];
  ASSERT_EQ(platform::readFinderInfo(sandbox.posix("f.txt"), info), platform::noErr);
  EXPECT_EQ(platform::finderInfoType(info), 0x54455854u);     // TEXT
  EXPECT_EQ(platform::finderInfoCreator(info), 0x74747874u);  // ttxt

  CFile other;
  other.m_type = 0x4B585020;     // 'KXP '
  other.m_creator = 0x4D4D5846;  // 'MMXF'
  ASSERT_TRUE(other.Open(sandbox.colon("pkg.kxp").c_str(), 4097));
  other.Close();
  ASSERT_EQ(platform::readFinderInfo(sandbox.posix("pkg.kxp"), info), platform::noErr);
  EXPECT_EQ(platform::finderInfoType(info), 0x4B585020u);
  EXPECT_EQ(platform::finderInfoCreator(info), 0x4D4D5846u);
}

TEST_F(CFileTest, LongNamesAreCreatedUnderTheirFirst255Units) {
  const std::string name(300, 'n');
  CFile file;
  ASSERT_TRUE(file.Open(sandbox.colon(name).c_str(), 4097));
  file.Close();
  EXPECT_TRUE(sandbox.exists(std::string(255, 'n')));
}

TEST_F(CFileTest, NamesWithSlashesAndCaseVariants) {
  std::filesystem::create_directory(sandbox.posix("Folder"));
  sandbox.writeFile("Folder/Read Me.TXT", "hello");
  CFile file;
  ASSERT_TRUE(file.Open(sandbox.colon("folder/read me.txt").c_str(), 0));
  char buf[8];
  EXPECT_EQ(file.Read(buf, 8), 5u);
  file.Close();
  // "/" in a name is stored as ":" on disk.
  ASSERT_TRUE(file.Open(u"Test:a/b", 4097));
  file.Close();
  EXPECT_TRUE(sandbox.exists("a:b"));
}

TEST_F(CFileTest, ReadWriteAndSeek) {
  sandbox.writeFile("f", "0123456789");
  CFile file;
  ASSERT_TRUE(file.Open(sandbox.colon("f").c_str(), 1));
  char buf[16];
  EXPECT_EQ(file.Read(buf, 0), 0u);
  EXPECT_EQ(file.Write(buf, 0), 0);
  EXPECT_EQ(file.Seek(-4, CFile::kFromEnd), 6);
  EXPECT_EQ(file.Read(buf, 10), 4u);  // across the end: what was left
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(file.Read(buf, 10), 0u);
  EXPECT_EQ(file.SeekToBegin(), 0);
  EXPECT_EQ(file.Seek(3, CFile::kFromCurrent), 3);
  EXPECT_EQ(file.Write("ab", 2), 0);
  EXPECT_EQ(file.GetLength(), 10);
  EXPECT_EQ(file.GetPosition(), 5);  // GetLength leaves the position
  EXPECT_EQ(file.SeekToEnd(), 10);
  EXPECT_EQ(file.Write("XY", 2), 0);
  EXPECT_EQ(file.GetLength(), 12);
  file.Close();
  EXPECT_EQ(sandbox.readFile("f"), "012ab56789XY");
  EXPECT_FALSE(file.IsOpen());
  file.Close();  // closing twice does nothing
}

TEST_F(CFileTest, StreamFollowsAccessAndFork) {
  sandbox.writeFile("f", "data");
  CFile mapped, raw, writer;
  ASSERT_TRUE(mapped.Open(sandbox.colon("f").c_str(), 0));
  EXPECT_TRUE(Uses<CMemoryMappedFile>(mapped));
  ASSERT_TRUE(raw.Open(sandbox.colon("f").c_str(), 0, true));
  EXPECT_TRUE(Uses<CRawFile>(raw));
  ASSERT_TRUE(writer.Open(sandbox.colon("f").c_str(), 1));
  EXPECT_TRUE(Uses<CBufferedFile>(writer));
  CResFile rsrcRead, rsrcWrite;
  ASSERT_TRUE(rsrcRead.Open(sandbox.colon("f").c_str(), 0));
  EXPECT_TRUE(Uses<CBufferedFile>(rsrcRead));
  ASSERT_TRUE(rsrcWrite.Open(sandbox.colon("f").c_str(), 1, true));
  EXPECT_TRUE(Uses<CBufferedFile>(rsrcWrite));
  // An open object is not opened again.
  EXPECT_FALSE(mapped.Open(sandbox.colon("f").c_str(), 0));
}

TEST_F(CFileTest, ResourceForkRoundTripCopyAndDelete) {
  sandbox.writeFile("doc", "data fork");
  const std::string rsrc(200000, 'r');
  {
    CResFile file;
    ASSERT_TRUE(file.Open(sandbox.colon("doc").c_str(), 1));
    ASSERT_EQ(file.Write(rsrc.data(), static_cast<unsigned int>(rsrc.size())), 0);
    file.Close();
  }
  EXPECT_TRUE(platform::hasSidecar(sandbox.posix("doc")));
  {
    CResFile file;
    ASSERT_TRUE(file.Open(sandbox.colon("doc").c_str(), 0));
    EXPECT_EQ(file.GetLength(), 200000);
    std::string back(rsrc.size(), '\0');
    EXPECT_EQ(file.Read(back.data(), static_cast<unsigned int>(back.size())), rsrc.size());
    EXPECT_TRUE(back == rsrc);
  }
  CFile data;
  ASSERT_TRUE(data.Open(sandbox.colon("doc").c_str(), 0));
  EXPECT_EQ(data.GetLength(), 9);
  data.Close();

  std::filesystem::create_directory(sandbox.posix("copies"));
  platform::FSRef source, folder;
  ASSERT_TRUE(GetFSRefCached(CString(sandbox.colon("doc").c_str()), source));
  ASSERT_TRUE(GetFSRefCached(CString(sandbox.colon("copies/").c_str()), folder));
  platform::HFSUniStr255 name;
  ASSERT_TRUE(platform::posixNameToHfs("doc copy", name));
  ASSERT_EQ(FSRefCopyFile(source, folder, name), platform::noErr);
  {
    CResFile copy;
    ASSERT_TRUE(copy.Open(sandbox.colon("copies/doc copy").c_str(), 0));
    EXPECT_EQ(copy.GetLength(), 200000);
  }

  CFile remover;
  remover.Remove(sandbox.colon("doc").c_str());
  remover.Remove(sandbox.colon("copies/doc copy").c_str());
  EXPECT_TRUE(std::filesystem::is_empty(sandbox.posix("copies")));
  EXPECT_FALSE(sandbox.exists("doc"));
  EXPECT_FALSE(sandbox.exists("._doc"));
}

TEST_F(CFileTest, CreatingOverAFileDropsItsResourceFork) {
  sandbox.writeFile("doc", "x");
  {
    CResFile file;
    ASSERT_TRUE(file.Open(sandbox.colon("doc").c_str(), 1));
    ASSERT_EQ(file.Write("rsrc", 4), 0);
  }
  CFile file;
  ASSERT_TRUE(file.Open(sandbox.colon("doc").c_str(), 4097));
  file.Close();
  EXPECT_FALSE(sandbox.exists("._doc"));
}

TEST_F(CFileTest, PathCacheHitsAndStaleEntries) {
  sandbox.writeFile("f", "x");
  const CString path(sandbox.colon("f").c_str());
  platform::FSRef ref;
  bool found = true;
  ASSERT_TRUE(GetFSRefCached(path, ref, &found, false));
  EXPECT_FALSE(found);
  ASSERT_TRUE(GetFSRefCached(path, ref, &found, false));
  EXPECT_TRUE(found);
  ASSERT_TRUE(GetFSRefCached(path, ref, &found, true));
  EXPECT_FALSE(found);

  CFile().Remove(path);
  EXPECT_FALSE(GetFSRefCached(path, ref, &found, false));
  EXPECT_FALSE(found);
  // A new item at the path is found afresh, not through the stale entry.
  sandbox.writeFile("f", "y");
  ASSERT_TRUE(GetFSRefCached(path, ref, &found, false));
  EXPECT_FALSE(found);

  EraseFSRefCache(path);
  ASSERT_TRUE(GetFSRefCached(path, ref, &found, false));
  EXPECT_FALSE(found);
  EXPECT_FALSE(GetFSRefCached(CString(u""), ref, &found, false));
  // A trailing ":" asks for a folder.
  EXPECT_FALSE(GetFSRefCached(CString(sandbox.colon("f/").c_str()), ref));
  EXPECT_TRUE(GetFSRefCached(CString(u"Test:"), ref));
}

TEST_F(CFileTest, FailedCreateLeavesNothingOpen) {
  platform::FaultInjectingFileSystem fs;
  platform::FileSystemOverride use(fs);
  fs.failPath("/new", ENOSPC, platform::kFsOpenWrite);
  CFile file;
  EXPECT_FALSE(file.Open(sandbox.colon("new").c_str(), 4097));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(sandbox.exists("new"));
}

}  // namespace
