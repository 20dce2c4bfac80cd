#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "pkg/BasePkgFSFile.h"
#include "pkg/BasePkgFileSystem.h"
#include "pkg/PackageException.h"
#include "pkg/PkgTempFile.h"
#include "pkg/tests/ZipTestSupport.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

using pkg::BasePkgFileSystem;
using pkg::PackageException;
using pkg::PackageIOException;
using pkgtest::codeOf;

namespace {

const std::ios_base::openmode in = std::ios_base::in;
const std::ios_base::openmode out = std::ios_base::out;
const std::ios_base::openmode trunc = std::ios_base::trunc;

// A sandbox machine, so temporary files land there.
class FileLayer : public ::testing::Test {
 protected:
  std::string path(const std::string& name) { return m_sandbox.posix(name); }
  std::shared_ptr<pkg::IPkgFSFile> open(const std::string& name, std::ios_base::openmode mode) {
    auto* fs = BasePkgFileSystem::getInstance();
    return fs->openFile(fs->getFSFileName(path(name)), mode);
  }
  std::string tempFolder() { return m_sandbox.config().userCachesFolder() + "/TemporaryItems"; }

  testsupport::SandboxMachine m_sandbox;
};

unsigned modeOf(const std::string& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  return ec ? 0u : static_cast<unsigned>(status.permissions()) & 07777u;
}

}  // namespace

TEST_F(FileLayer, OpenModesMapToTheirStdioCounterparts) {
  TempDir::write(path("existing"), "0123456789");

  // in: read only.
  auto reader = open("existing", in | std::ios_base::binary);
  char buffer[16];
  EXPECT_EQ(10, reader->read(buffer, 16));
  EXPECT_EQ(50, codeOf([&] { reader->write("x", 1); }));
  EXPECT_EQ(in | std::ios_base::binary, reader->getMode());
  reader->close();

  // in|out: read and write in place, nothing truncated.
  auto both = open("existing", in | out);
  both->seek(2, SEEK_SET);
  both->write("AB", 2);
  both->close();
  EXPECT_EQ("01AB456789", TempDir::read(path("existing")));

  // out (with or without trunc): made or emptied, write only.
  for (auto mode : {out, out | trunc, out | std::ios_base::ate}) {
    auto writer = open("existing", mode);
    EXPECT_EQ(0, writer->seek(0, SEEK_END));
    writer->write("w", 1);
    EXPECT_EQ(50, codeOf([&] { writer->read(buffer, 1); }));
    writer->close();
    EXPECT_EQ("w", TempDir::read(path("existing")));
  }

  // in|out|trunc: made or emptied, read and write.
  auto fresh = open("new", in | out | trunc);
  fresh->write("abc", 3);
  fresh->seek(0, SEEK_SET);
  EXPECT_EQ(3, fresh->read(buffer, 16));
  fresh->close();

  for (auto mode : {std::ios_base::app, in | std::ios_base::app, out | std::ios_base::app,
                    std::ios_base::binary, in | trunc}) {
    EXPECT_EQ(23, codeOf([&] { open("existing", mode); })) << mode;
  }

  // A missing file gives the system's text.
  try {
    open("missing", in);
    ADD_FAILURE();
  } catch (const PackageIOException& e) {
    EXPECT_EQ(50, e.getErrorCode());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("No such file"));
  }
}

TEST_F(FileLayer, ReadsWritesSeeksAndTruncatesLikeAStream) {
  auto file = open("data", in | out | trunc);
  EXPECT_EQ(31, file->getCapabilities());
  EXPECT_TRUE(file->isSeekable());
  std::string block(100000, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
  for (size_t i = 0; i < block.size(); i += 3000) {
    file->write(block.data() + i, static_cast<int>(std::min<size_t>(3000, block.size() - i)));
  }
  EXPECT_EQ(100000, file->tell());
  EXPECT_EQ(100000, file->seek(0, SEEK_END)) << "the size counts bytes not yet flushed";
  EXPECT_EQ(10, file->seek(10, SEEK_SET));
  char piece[5];
  ASSERT_EQ(5, file->read(piece, 5));
  EXPECT_EQ(block.substr(10, 5), std::string(piece, 5));
  EXPECT_EQ(20, file->seek(5, SEEK_CUR));
  file->write("XY", 2);
  file->seek(18, SEEK_SET);
  ASSERT_EQ(5, file->read(piece, 5));
  EXPECT_EQ(block.substr(18, 2) + "XY" + block.substr(22, 1), std::string(piece, 5));
  EXPECT_EQ(0, file->seek(100000, SEEK_SET) - 100000);
  EXPECT_EQ(0, file->read(piece, 5)) << "0 at the end is not a failure";
  EXPECT_EQ(50, codeOf([&] { file->seek(-1, SEEK_SET); }));
  file->truncate(50);
  EXPECT_EQ(50, file->seek(0, SEEK_END));
  file->close();
  file->close();  // a second close does nothing
  EXPECT_EQ(50u, std::filesystem::file_size(path("data")));
  EXPECT_EQ(50, codeOf([&] { file->read(piece, 1); })) << "closed";
}

TEST_F(FileLayer, ReadingAnEntryDoesNotGoToTheDiskForEveryPiece) {
  // One megabyte stored: read in 4096-byte pieces it must come in large
  // reads, not one system call (and seek) per piece.
  {
    auto target = open("big.zip", out | trunc);
    pkgtest::ArchiveWriter writer(target);
    writer.add("big", std::string(1 << 20, 'b'), pkg::stored);
    writer.add("small", "small", pkg::deflate);
    writer.finish();
    target->close();
  }
  platform::FaultInjectingFileSystem counting;
  platform::FileSystemOverride use(counting);
  pkgtest::ArchiveReader reader(open("big.zip", in));
  EXPECT_EQ(std::string(1 << 20, 'b'), reader.read(*reader.entries()[0]));
  EXPECT_EQ("small", reader.read(*reader.entries()[1]));
  EXPECT_LE(counting.callCount(platform::kFsRead), 40);
}

TEST_F(FileLayer, WriteFailuresSurfaceAsIOExceptions) {
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  auto file = open("full", out | trunc);
  faults.failPath("full", ENOSPC, platform::kFsWrite);
  file->write("buffered", 8);
  try {
    file->flush();
    ADD_FAILURE();
  } catch (const PackageIOException& e) {
    EXPECT_EQ(50, e.getErrorCode());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("No space"));
  }
  file->write("again", 5);
  EXPECT_EQ(50, codeOf([&] { file->close(); }));
  EXPECT_FALSE(std::dynamic_pointer_cast<pkg::BasePkgFSFile>(file)->isOpen());

  // A failure inside the destructor's close stays there.
  {
    auto doomed = open("doomed", out | trunc);
    faults.failPath("doomed", EIO, platform::kFsWrite);
    doomed->write("x", 1);
  }
  faults.failPath("trunc", EIO, platform::kFsTruncate);
  auto t = open("trunc", in | out | trunc);
  EXPECT_EQ(50, codeOf([&] { t->truncate(0); }));
}

TEST_F(FileLayer, TemporaryFilesArePrivateAndUniquelyNamed) {
  auto* fs = BasePkgFileSystem::getInstance();
  auto first = fs->createTempFile();
  auto second = fs->createTempFile();
  const std::string folder = tempFolder();
  EXPECT_EQ(folder + "/", fs->getTempDir());
  EXPECT_EQ(0700u, modeOf(folder));
  auto looksRight = [](const std::string& leaf) {
    if (leaf.size() < 12 || leaf.compare(0, 3, "ucf") != 0) return false;
    return leaf.find_first_not_of("0123456789ABCDEF", 3) == std::string::npos;
  };
  for (const auto& file : {first, second}) {
    std::string name = file->getName();
    ASSERT_EQ(0u, name.find(folder + "/"));
    std::string leaf = name.substr(folder.size() + 1);
    EXPECT_TRUE(looksRight(leaf)) << leaf;
    EXPECT_EQ(0600u, modeOf(name));
    EXPECT_EQ(in | out | trunc, file->getMode());
  }
  EXPECT_NE(first->getName(), second->getName());
  if (platform::processId() <= 0xFFFFF) {
    EXPECT_EQ(12u, first->getName().size() - folder.size() - 1);
  }
  first->write("temp", 4);
  first->seek(0, SEEK_SET);
  char back[4];
  EXPECT_EQ(4, first->read(back, 4));

  std::string name = second->getName();
  second->close();
  fs->deleteTempFileByName(second->getFileName());
  EXPECT_FALSE(TempDir::exists(name));

  // The folder comes back when it was removed while the program ran.
  first->close();
  std::filesystem::remove_all(folder);
  auto third = fs->createTempFile();
  EXPECT_EQ(0700u, modeOf(folder));
}

TEST_F(FileLayer, TakenNamesAreSkippedAndOtherFailuresReported) {
  auto* fs = BasePkgFileSystem::getInstance();
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  // The first two names are taken: the third is used.
  faults.addRule({platform::kFsOpenWrite, "ucf", 0, 2, EEXIST});
  auto file = fs->createTempFile();
  EXPECT_TRUE(TempDir::exists(file->getName()));
  file->close();

  faults.clearRules();
  faults.addRule({platform::kFsOpenWrite, "ucf", 0, 1, EACCES});
  try {
    fs->createTempFile();
    ADD_FAILURE();
  } catch (const PackageIOException& e) {
    EXPECT_EQ(50, e.getErrorCode());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("Permission denied"));
  }

  // Without a folder there is nowhere to make one: code 48.
  faults.clearRules();
  std::filesystem::remove_all(m_sandbox.config().userCachesFolder());
  faults.failPath("Library", EACCES, platform::kFsMkdir);
  EXPECT_EQ(48, codeOf([&] { fs->createTempFile(); }));
  EXPECT_EQ("", fs->getTempDir());
  EXPECT_EQ("", fs->getTempFilePath());
}

TEST_F(FileLayer, EntryTemporaryFilesLiveUntilRemoved) {
  auto* fs = BasePkgFileSystem::getInstance();
  std::string name;
  {
    pkg::PkgTempFile temp(fs);
    EXPECT_FALSE(temp.exists());
    EXPECT_EQ(nullptr, temp.getTempFSFilePtr());
    temp.create();
    EXPECT_EQ(24, codeOf([&] { temp.create(); })) << "one per entry";
    name = temp.getName()->getName();
    temp.getTempFSFilePtr()->write("kept", 4);
    temp.close();
    EXPECT_TRUE(TempDir::exists(name)) << "closing keeps the file";
    auto reopened = temp.getTempFSFilePtr();
    char back[4];
    EXPECT_EQ(4, reopened->read(back, 4));
    EXPECT_EQ("kept", std::string(back, 4));
    EXPECT_EQ(in | out, reopened->getMode());
    temp.remove();
    EXPECT_FALSE(TempDir::exists(name));
    EXPECT_FALSE(temp.exists());
    temp.create();
    name = temp.getName()->getName();
  }
  EXPECT_FALSE(TempDir::exists(name)) << "the destructor removes it";
}
