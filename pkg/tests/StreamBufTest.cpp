#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "pkg/PackageException.h"
#include "pkg/ZipPkgStream.h"
#include "pkg/ZpCentralDirEntry.h"
#include "pkg/tests/ZipTestSupport.h"

using namespace pkg::zip;
using pkg::PackageException;
using pkgtest::ArchiveReader;
using pkgtest::ArchiveWriter;
using pkgtest::codeOf;
using pkgtest::MemoryFile;

namespace {

// Records what the stream asks of its entry.
class FakeOwner : public IZipStreamOwner {
 public:
  std::shared_ptr<pkg::IPkgFSFileCommon> streamTempFile() override { return temp; }
  std::shared_ptr<pkg::IPkgFSFileCommon> streamCreateTempFile() override {
    ++tempFilesMade;
    temp = std::make_shared<MemoryFile>(contents);
    return temp;
  }
  void streamWriteLocalHeader() override {
    ++headersWritten;
    if (target) target->write("HDR", 3);
  }
  void streamSetSizes(uint64_t u, uint64_t c, uint32_t checksum) override {
    uncompressed = u;
    compressed = c;
    crc = checksum;
    ++sizesSet;
  }
  void streamClosed(ZipPkgStream*) override { ++closedCalls; }
  pkg::SPRefType<pkg::IPkgFile> streamFile() override { return nullptr; }

  std::shared_ptr<pkg::IPkgFSFileCommon> temp;
  std::shared_ptr<MemoryFile> target;
  std::string contents;  // what a new temporary file starts with
  int tempFilesMade = 0;
  int headersWritten = 0;
  int sizesSet = 0;
  int closedCalls = 0;
  uint64_t uncompressed = 0, compressed = 0;
  uint32_t crc = 0;
};

struct OneEntry {
  std::shared_ptr<MemoryFile> file = std::make_shared<MemoryFile>();
  std::shared_ptr<ZpCentralDirEntry> record;
  uint64_t dataStart = 0;

  OneEntry(const std::string& text, uint16_t method) {
    ArchiveWriter writer(file);
    record = writer.add("e", text, method);
    writer.finish();
    dataStart = record->localHeaderOffset + record->fetchLocalEntry(*file)->getSize();
  }
};

}  // namespace

TEST(StreamBuf, WordsCharactersAndPutBackReadThroughTheStream) {
  OneEntry entry("application/vnd.test+zip  second\nthird", 8);
  FakeOwner owner;
  ZipPkgStream stream(&owner);
  stream.buffer().openPackageRead(entry.file, entry.dataStart, *entry.record, false);
  std::string word;
  stream >> word;
  EXPECT_EQ("application/vnd.test+zip", word);
  stream >> word;
  EXPECT_EQ("second", word);
  // Up to four characters can be put back.
  char c;
  stream.get(c);
  EXPECT_EQ('\n', c);
  char four[4];
  stream.read(four, 4);
  EXPECT_EQ("thir", std::string(four, 4));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(stream.unget().good()) << i;
  stream.read(four, 4);
  EXPECT_EQ("thir", std::string(four, 4));
  EXPECT_EQ('d', stream.get());
  EXPECT_EQ(std::char_traits<char>::eof(), stream.get());
  stream.clear();
  stream.close();
  EXPECT_EQ(1, owner.closedCalls);
  EXPECT_EQ(0, owner.sizesSet);
}

TEST(StreamBuf, SeekingAReadStreamMovesItOntoTheTemporaryFile) {
  const std::string text = "0123456789abcdefghij";
  OneEntry entry(text, 8);
  FakeOwner owner;
  owner.contents = text;
  ZipPkgStream stream(&owner);
  stream.buffer().openPackageRead(entry.file, entry.dataStart, *entry.record, false);
  char two[2];
  stream.read(two, 2);
  // Reporting the position, or seeking to where the stream is, moves nothing.
  EXPECT_EQ(2, stream.tellg());
  stream.seekg(2);
  EXPECT_EQ(0, owner.tempFilesMade);
  stream.seekg(-3, std::ios_base::end);
  EXPECT_EQ(1, owner.tempFilesMade);
  EXPECT_TRUE(stream.buffer().readsTempFile());
  std::string rest(3, '\0');
  stream.read(rest.data(), 3);
  EXPECT_EQ("hij", rest);
  stream.clear();
  stream.seekg(5, std::ios_base::beg);
  EXPECT_EQ('5', stream.get());
  stream.seekg(2, std::ios_base::cur);
  EXPECT_EQ('8', stream.get());
  EXPECT_EQ(1, owner.tempFilesMade);
  // A position past what a file can hold fails the seek and moves nothing.
  stream.seekg(std::numeric_limits<std::streamoff>::max(), std::ios_base::cur);
  EXPECT_TRUE(stream.fail());
  stream.clear();
  EXPECT_EQ('9', stream.get());
}

TEST(StreamBuf, AReadStreamFollowsTheEntryOntoItsNewContents) {
  OneEntry entry("old contents here", 0);
  FakeOwner owner;
  ZipPkgStream stream(&owner);
  stream.buffer().openPackageRead(entry.file, entry.dataStart, *entry.record, false);
  char four[4];
  stream.read(four, 4);
  EXPECT_EQ("old ", std::string(four, 4));
  // The entry was rewritten meanwhile: the stream goes on in the new data.
  owner.temp = std::make_shared<MemoryFile>(std::string("NEW CONTENTS"));
  stream.read(four, 4);
  EXPECT_EQ("CONT", std::string(four, 4));
}

TEST(StreamBuf, WritingStraightIntoTheTargetWritesTheHeaderOnceAndReportsSizes) {
  FakeOwner owner;
  owner.target = std::make_shared<MemoryFile>();
  {
    ZipPkgStream stream(&owner);
    stream.buffer().openTargetWrite(owner.target, 8, false);
    EXPECT_EQ(0, owner.headersWritten) << "not before the first byte";
    stream << "hello, "
           << "world";
    stream.put('!');
    EXPECT_EQ(1, owner.headersWritten);
    // A compressed write cannot move.
    EXPECT_EQ(23, codeOf([&] { stream.seekp(0); }));
    stream.clear();
    stream.close();
  }
  EXPECT_EQ(1, owner.headersWritten);
  EXPECT_EQ(1, owner.sizesSet);
  EXPECT_EQ(13u, owner.uncompressed);
  EXPECT_EQ(owner.target->bytes().size() - 3, owner.compressed);
  EXPECT_EQ(0x58988D13u, owner.crc) << "CRC-32 of \"hello, world!\"";
  EXPECT_EQ(1, owner.closedCalls);

  // A stream that wrote nothing still writes its header when it closes.
  FakeOwner empty;
  empty.target = std::make_shared<MemoryFile>();
  ZipPkgStream nothing(&empty);
  nothing.buffer().openTargetWrite(empty.target, 8, false);
  nothing.close();
  EXPECT_EQ(1, empty.headersWritten);
  EXPECT_EQ(0u, empty.uncompressed);
  EXPECT_EQ(0u, empty.compressed);
}

TEST(StreamBuf, TemporaryFileStreamsReportTheFilesLength) {
  FakeOwner owner;
  auto temp = std::make_shared<MemoryFile>();
  ZipPkgStream stream(&owner);
  stream.buffer().openTempFile(temp, std::ios_base::out);
  stream << "0123456789";
  stream.seekp(2);
  stream << "AB";
  stream.close();
  EXPECT_EQ("01AB456789", temp->str());
  EXPECT_EQ(10u, owner.uncompressed);
  EXPECT_EQ(10u, owner.compressed);

  ZipPkgStream reader(&owner);
  reader.buffer().openTempFile(temp, std::ios_base::in);
  std::string word;
  reader >> word;
  EXPECT_EQ("01AB456789", word);
}

TEST(StreamBuf, FailuresReachTheCallerAsPackageExceptions) {
  const std::string text(5000, 'k');
  OneEntry entry(text, 8);
  entry.record->header.crc32 ^= 0x10;
  ZipPkgStream stream(nullptr);
  stream.buffer().openPackageRead(entry.file, entry.dataStart, *entry.record, false);
  std::vector<char> all(6000);
  EXPECT_EQ(31, codeOf([&] { stream.read(all.data(), 6000); }));

  // Reading a write stream, and opening for both.
  FakeOwner owner;
  owner.target = std::make_shared<MemoryFile>();
  ZipPkgStream writer(&owner);
  writer.buffer().openTargetWrite(owner.target, 0, false);
  char c;
  EXPECT_EQ(19, codeOf([&] { writer.read(&c, 1); }));
  ZipPkgStream both(&owner);
  EXPECT_EQ(19, codeOf([&] {
              both.buffer().openTempFile(owner.target, std::ios_base::in | std::ios_base::out);
            }));
}

TEST(StreamBuf, ClosingTellsTheEntryEvenWhenTheDataFails) {
  FakeOwner owner;
  owner.target = std::make_shared<MemoryFile>();
  owner.target->failWritesAfter = 3;  // the header fits, the data does not
  ZipPkgStream stream(&owner);
  stream.buffer().openTargetWrite(owner.target, 0, false);
  EXPECT_EQ(50, codeOf([&] { stream << "more than the disk takes"; }));
  stream.clear();
  stream.close();
  EXPECT_EQ(1, owner.closedCalls);
  EXPECT_TRUE(stream.isClosed());
}

TEST(StreamBuf, TextGoesInAndWordsComeOutThroughSharedStreams) {
  FakeOwner owner;
  auto temp = std::make_shared<MemoryFile>();
  std::shared_ptr<pkg::IPkgStream> out = std::make_shared<ZipPkgStream>(&owner);
  static_cast<ZipPkgStream&>(*out).buffer().openTempFile(temp, std::ios_base::out);
  char name[] = "application/epub+zip";
  out << "mimetype: " << name;
  out->close();
  EXPECT_EQ("mimetype: application/epub+zip", temp->str());

  std::shared_ptr<pkg::IPkgStream> in = std::make_shared<ZipPkgStream>(&owner);
  static_cast<ZipPkgStream&>(*in).buffer().openTempFile(temp, std::ios_base::in);
  std::string first, second;
  in >> first >> second;
  EXPECT_EQ("mimetype:", first);
  EXPECT_EQ("application/epub+zip", second);
}
