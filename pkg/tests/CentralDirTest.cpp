#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/ZpCentralDir.h"
#include "pkg/ZpLocalFileEntry.h"
#include "pkg/tests/ZipTestSupport.h"

using namespace pkg::zip;
using pkg::PackageException;
using pkgtest::ArchiveReader;
using pkgtest::ArchiveWriter;
using pkgtest::codeOf;
using pkgtest::MemoryFile;

namespace {

std::vector<uint8_t> smallArchive(const std::string& comment = std::string()) {
  auto file = std::make_shared<MemoryFile>();
  ArchiveWriter writer(file);
  writer.add("a.txt", "hello hello hello hello", pkg::deflate);
  writer.add("dir/", "", pkg::stored);
  writer.add("dir/b.bin", std::string("\0\1\2\3", 4), pkg::stored);
  writer.finish(comment);
  return file->bytes();
}

std::shared_ptr<MemoryFile> fileOf(const std::vector<uint8_t>& bytes) {
  return std::make_shared<MemoryFile>(bytes);
}

// Opens bytes as far as the central directory; the code of a failure or 0.
int openCode(const std::vector<uint8_t>& bytes) {
  return codeOf([&] { ArchiveReader reader(fileOf(bytes)); }) == -1
             ? 0
             : codeOf([&] { ArchiveReader reader(fileOf(bytes)); });
}

size_t findLast(const std::vector<uint8_t>& bytes, uint32_t signature) {
  for (size_t i = bytes.size() - 4 + 1; i-- > 0;) {
    if (getLE32(&bytes[i]) == signature) return i;
  }
  return std::string::npos;
}

// Moves the end record's values into Zip64 end records placed before it,
// leaving markers in the end record.
std::vector<uint8_t> withZip64EndRecords(std::vector<uint8_t> bytes) {
  const size_t ecd = bytes.size() - 22;
  EndCentralDirectory end;
  end.fromBytes(&bytes[ecd]);
  Zip64EndCentralDirectory record;
  record.updateFromECD(end);
  Zip64EndCentralDirectoryLocator locator;
  locator.zip64EndOffset = ecd;
  locator.totalDisks = 1;
  std::vector<uint8_t> insert(56 + 20);
  record.toBytes(insert.data());
  locator.toBytes(insert.data() + 56);
  end.entriesThisDisk = end.entriesTotal = 0xFFFF;
  end.centralDirSize = end.centralDirOffset = 0xFFFFFFFF;
  end.toBytes(&bytes[ecd]);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(ecd), insert.begin(), insert.end());
  return bytes;
}

}  // namespace

TEST(CentralDir, ArchiveRoundTripsWithPropertiesFromTheRecords) {
  auto file = std::make_shared<MemoryFile>();
  {
    ArchiveWriter writer(file);
    writer.add("a.txt", std::string(5000, 'x') + "tail", pkg::deflate,
               dostime(2010, 3, 10, 1, 2, 4));
    writer.add("empty", "", pkg::deflate);
    writer.add("dir/", "", pkg::stored);
    writer.add("bin", std::string("\0\xff\x10", 3), pkg::stored);
    writer.finish("the comment");
  }
  pkg::PkgPropertyMgr properties(nullptr);
  ArchiveReader reader(file, &properties);
  ASSERT_EQ(4u, reader.entries().size());
  EXPECT_EQ(std::string(5000, 'x') + "tail", reader.read(*reader.entries()[0]));
  EXPECT_EQ(8, reader.entries()[0]->header.method);
  // An empty entry is stored, whatever it was written with.
  EXPECT_EQ("", reader.read(*reader.entries()[1]));
  EXPECT_EQ(0, reader.entries()[1]->header.method);
  EXPECT_TRUE(reader.entries()[2]->isDirectory());
  EXPECT_EQ(std::string("\0\xff\x10", 3), reader.read(*reader.entries()[3]));
  EXPECT_EQ("6A3C", properties.getZipProperty("a.txt", pkg::kZipPropDOSDate));
  EXPECT_EQ("4208", properties.getZipProperty("a.txt", pkg::kZipPropDOSTime));
  bool changed = true;
  EXPECT_EQ("the comment", properties.getZipProperty("", pkg::kZipPropArchiveComment, &changed));
  EXPECT_FALSE(changed) << "read from a record";
  EXPECT_EQ(4u, reader.directory().getCount());
  EXPECT_NE(nullptr, reader.directory().getCDirEntry("dir/"));
  EXPECT_EQ(nullptr, reader.directory().getCDirEntry("DIR/"));
}

TEST(CentralDir, EndRecordWithoutCommentTakesOneReadAtTheEnd) {
  auto file = fileOf(smallArchive());
  ZpCentralDir directory;
  directory.readECD(*file, nullptr);
  EXPECT_EQ(1, file->reads);
  EXPECT_EQ(22u, file->bytesRead);
  EXPECT_EQ(3u, directory.getCount());
  // Ordinary counts: nothing is looked for in Zip64 records.
  int seeks = file->seeks;
  directory.readZip64Data(*file);
  EXPECT_EQ(1, file->reads);
  EXPECT_EQ(seeks, file->seeks);
}

TEST(CentralDir, CommentedEndRecordIsFoundByTheBackwardScan) {
  for (size_t length : {size_t{1}, size_t{100}, size_t{5000}, size_t{65535}}) {
    std::string comment(length, 'c');
    comment[0] = 'S';
    auto file = fileOf(smallArchive(comment));
    pkg::PkgPropertyMgr properties(nullptr);
    ZpCentralDir directory;
    directory.readECD(*file, &properties);
    EXPECT_EQ(comment, properties.getZipProperty("", pkg::kZipPropArchiveComment)) << length;
    EXPECT_EQ(3u, directory.getCount());
    // The scan never reads more than the window and the blocks' overlap.
    EXPECT_LE(file->bytesRead, 22u + 65557u + 17 * 3 + 22 + length) << length;
  }
}

TEST(CentralDir, FilesWithoutAUsableEndRecordAreRefused) {
  // Nothing like a zip.
  EXPECT_EQ(11, openCode(std::vector<uint8_t>(1000, 'z')));
  // Too short for an end record, and a file that cannot seek.
  EXPECT_EQ(10, openCode(std::vector<uint8_t>(21, 0)));
  auto unseekable = fileOf(smallArchive());
  unseekable->seekable = false;
  EXPECT_EQ(10, codeOf([&] { ZpCentralDir().readECD(*unseekable, nullptr); }));

  // Bytes after the archive: its end record no longer ends the file.
  std::vector<uint8_t> junk = smallArchive();
  junk.insert(junk.end(), {'j', 'u', 'n', 'k'});
  EXPECT_EQ(11, openCode(junk));

  // A comment length that runs past the end of the file.
  std::vector<uint8_t> longer = smallArchive("abc");
  putLE16(&longer[longer.size() - 3 - 2], 4);
  EXPECT_EQ(6, openCode(longer));

  // A split archive.
  std::vector<uint8_t> split = smallArchive();
  putLE16(&split[split.size() - 22 + 4], 1);
  EXPECT_EQ(16, openCode(split));
}

TEST(CentralDir, BackwardScanStopsAtTheLongestCommentsReach) {
  // A megabyte without any end record: only the window is read.
  auto file = std::make_shared<MemoryFile>(std::vector<uint8_t>(1 << 20, 0));
  EXPECT_EQ(11, codeOf([&] { ZpCentralDir().readECD(*file, nullptr); }));
  EXPECT_LE(file->bytesRead, 22u + 65557u + 17 * 3);

  // A real end record just beyond the window is not found.
  std::vector<uint8_t> far = smallArchive();
  far.resize(far.size() + 65536, 0);
  EXPECT_EQ(11, openCode(far));
}

TEST(CentralDir, AnArchiveHiddenInTheCommentDoesNotWin) {
  std::vector<uint8_t> inner;
  {
    auto file = std::make_shared<MemoryFile>();
    ArchiveWriter writer(file);
    writer.add("inner.txt", "inner", pkg::stored);
    writer.finish();
    inner = file->bytes();
  }
  std::vector<uint8_t> outer = smallArchive(std::string(inner.begin(), inner.end()));
  ArchiveReader reader(fileOf(outer));
  ASSERT_EQ(3u, reader.entries().size());
  EXPECT_EQ("a.txt", reader.entries()[0]->getFilename());
}

TEST(CentralDir, Zip64RecordsAreFoundWhenTheEndRecordSaysSo) {
  // 65535 entries: the writer must use the Zip64 end records.
  auto file = std::make_shared<MemoryFile>();
  {
    ArchiveWriter writer(file);
    for (int i = 0; i < 65535; ++i) writer.add("f" + std::to_string(i), "", pkg::stored);
    writer.finish();
  }
  const std::vector<uint8_t>& bytes = file->bytes();
  size_t ecd = bytes.size() - 22;
  EXPECT_EQ(0xFFFF, getLE16(&bytes[ecd + 10])) << "the end record shows the marker";
  EXPECT_EQ(kZip64EndCentralDirectoryLocatorSignature, getLE32(&bytes[ecd - 20]));
  EXPECT_EQ(kZip64EndCentralDirectorySignature, getLE32(&bytes[ecd - 20 - 56]));
  ArchiveReader reader(file);
  EXPECT_EQ(65535u, reader.entries().size());
  EXPECT_EQ("f65534", reader.entries().back()->getFilename());

  // One fewer needs none.
  auto small = std::make_shared<MemoryFile>();
  {
    ArchiveWriter writer(small);
    for (int i = 0; i < 65534; ++i) writer.add("f" + std::to_string(i), "", pkg::stored);
    writer.finish();
  }
  EXPECT_EQ(std::string::npos, findLast(small->bytes(), kZip64EndCentralDirectorySignature));
  EXPECT_EQ(65534u, ArchiveReader(small).entries().size());
}

TEST(CentralDir, BrokenZip64RecordsGiveTheirCodes) {
  // Mark the entry count as held in Zip64 records that are not there.
  std::vector<uint8_t> noLocator = smallArchive();
  putLE16(&noLocator[noLocator.size() - 22 + 10], 0xFFFF);
  EXPECT_NE(0, openCode(noLocator));
  EXPECT_EQ(13, codeOf([&] {
              auto f = fileOf(noLocator);
              ZpCentralDir d;
              d.readECD(*f, nullptr);
              d.readZip64Data(*f);
            }));

  // A Zip64 archive, then damage its records one at a time.
  const std::vector<uint8_t> good = withZip64EndRecords(smallArchive());
  ASSERT_EQ(3u, ArchiveReader(fileOf(good)).entries().size());
  const size_t locator = good.size() - 22 - 20;
  const size_t record = locator - 56;

  std::vector<uint8_t> badRecordSig = good;
  badRecordSig[record] = 'X';
  EXPECT_EQ(15, openCode(badRecordSig));

  std::vector<uint8_t> recordPastLocator = good;
  putLE64(&recordPastLocator[locator + 8], locator - 10);
  EXPECT_EQ(14, openCode(recordPastLocator));

  std::vector<uint8_t> splitZip64 = good;
  putLE32(&splitZip64[locator + 16], 3);
  EXPECT_EQ(16, openCode(splitZip64));

  // Counts that the directory cannot hold are refused before any room is
  // made for them.
  for (uint64_t count :
       {0xFFFFFFFFFFFFFFFFull, 0x100000000ull, 0x20000000ull, 0x1FFFFFFFull, 4ull}) {
    std::vector<uint8_t> huge = good;
    putLE64(&huge[record + 24], count);
    putLE64(&huge[record + 32], count);
    EXPECT_EQ(9, openCode(huge)) << count;
  }
  // A directory said to be larger than what lies before its end record.
  std::vector<uint8_t> bigSize = good;
  putLE64(&bigSize[record + 40], record + 1);
  EXPECT_EQ(9, openCode(bigSize));
  std::vector<uint8_t> bigOffset = good;
  putLE64(&bigOffset[record + 48], 0xFFFFFFFFFFFFFF00ull);
  EXPECT_EQ(9, openCode(bigOffset));
}

TEST(CentralDir, DamagedRecordsGiveTheirCodes) {
  const std::vector<uint8_t> good = smallArchive();
  const size_t ecd = good.size() - 22;
  const uint32_t cdOffset = getLE32(&good[ecd + 16]);

  std::vector<uint8_t> badSig = good;
  badSig[cdOffset] = 'Q';
  EXPECT_EQ(3, openCode(badSig));

  // A count larger than the directory's records.
  std::vector<uint8_t> moreEntries = good;
  putLE16(&moreEntries[ecd + 8], 4);
  putLE16(&moreEntries[ecd + 10], 4);
  EXPECT_EQ(9, openCode(moreEntries));

  // The first record's name runs into the end record and beyond.
  std::vector<uint8_t> longName = good;
  putLE16(&longName[cdOffset + 28], 0xFFFF);
  int code = openCode(longName);
  EXPECT_TRUE(code == 4 || code == 5 || code == 6 || code == 3) << code;
}

TEST(CentralDir, RecordsRunningPastWhatWasReadGiveTheCodeOfTheirField) {
  const std::vector<uint8_t> good = smallArchive();
  const size_t ecd = good.size() - 22;
  const uint32_t cdOffset = getLE32(&good[ecd + 16]);
  const size_t last = cdOffset + 2 * 46 + std::strlen("a.txt") + std::strlen("dir/");
  struct Case {
    size_t field;
    int code;
  };
  for (const Case& c : {Case{28, 4}, Case{30, 5}, Case{32, 6}}) {
    std::vector<uint8_t> bytes = good;
    putLE16(&bytes[last + c.field], 0xFFFF);
    EXPECT_EQ(c.code, openCode(bytes)) << "field at " << c.field;
  }
  // A directory a little larger than it says is still read whole.
  std::vector<uint8_t> understated = good;
  putLE32(&understated[ecd + 12], getLE32(&good[ecd + 12]) - 3);
  ArchiveReader reader(fileOf(understated));
  ASSERT_EQ(3u, reader.entries().size());
  EXPECT_EQ("dir/b.bin", reader.entries()[2]->getFilename());
}

TEST(CentralDir, ARecordIsOneObjectWhileAnyoneHoldsIt) {
  auto file = fileOf(smallArchive());
  ZpCentralDir directory;
  directory.readECD(*file, nullptr);
  directory.readZip64Data(*file);
  directory.readCDEntries(*file, nullptr);
  const ZpCentralDir::RecordList list = directory.records();
  ASSERT_EQ(3u, list.size());
  std::shared_ptr<ZpCentralDirEntry> held = list.at(2);
  EXPECT_EQ("dir/b.bin", held->getFilename());
  EXPECT_EQ(4u, held->uncompressedSize);
  EXPECT_EQ(held, list.at(2));
  // Found by name by a walk, then through the index; then among all.
  EXPECT_EQ(held, directory.getCDirEntry("dir/b.bin"));
  EXPECT_EQ(held, directory.getCDirEntry("dir/b.bin"));
  EXPECT_EQ(nullptr, directory.getCDirEntry("nothing"));
  EXPECT_EQ(held, directory.getEntries()[2]);
  // The list keeps the records as they were while the directory changes.
  EXPECT_TRUE(directory.deleteCDirEntry("a.txt"));
  EXPECT_EQ(2u, directory.recordCount());
  EXPECT_EQ("a.txt", list.at(0)->getFilename());
  EXPECT_EQ(held, list.at(2));
}

TEST(CentralDir, WrittenRecordsCountOnlyTheExtraRecordsTheyWrite) {
  // A record read from an archive that forced Zip64 on small values: its
  // Zip64 record is not needed when it is written again, and the extra
  // length must not count it.
  ZpCentralDirEntry entry;
  entry.setFilename("small");
  entry.uncompressedSize = 10;
  entry.compressedSize = 10;
  const uint8_t zip64[] = {1, 0, 16, 0, 10, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0};
  const uint8_t other[] = {0x55, 0x54, 1, 0, 7};
  entry.extra.assign(zip64, zip64 + sizeof(zip64));
  entry.extra.insert(entry.extra.end(), other, other + sizeof(other));
  entry.header.extraFieldLength = static_cast<uint16_t>(entry.extra.size());

  MemoryFile out;
  entry.writeCDH(out, nullptr);
  ASSERT_EQ(46u + 5 + 5, out.bytes().size());
  EXPECT_EQ(5, getLE16(&out.bytes()[30]));
  out.seek(0, SEEK_SET);
  ZpCentralDirEntry back;
  back.readCDH(out, nullptr);
  EXPECT_EQ(10u, back.uncompressedSize);
  EXPECT_EQ(0x5455, getLE16(back.extra.data()));

  // A value that does not fit: the record holds exactly that value.
  ZpCentralDirEntry big;
  big.setFilename("big");
  big.setLocalHeaderOffset(0x100000000ull);
  big.updateSizes(5, 3);
  EXPECT_EQ(45, big.header.versionNeeded.format);
  MemoryFile out2;
  big.writeCDH(out2, nullptr);
  EXPECT_EQ(46u + 3 + 12, out2.bytes().size());
  EXPECT_EQ(0xFFFFFFFFu, getLE32(&out2.bytes()[42]));
  out2.seek(0, SEEK_SET);
  ZpCentralDirEntry bigBack;
  bigBack.readCDH(out2, nullptr);
  EXPECT_EQ(0x100000000ull, bigBack.localHeaderOffset);
  EXPECT_EQ(5u, bigBack.uncompressedSize);
  EXPECT_EQ(3u, bigBack.compressedSize);
}

TEST(CentralDir, MacTypeAndCreatorTravelInThe2705Record) {
  pkg::PkgPropertyMgr properties(nullptr);
  ZpCentralDirEntry entry;
  entry.setFilename("doc");
  const std::string typeCreator =
      pkg::BasePkgHexStrings::getInstance()->encodeHexString("TEXTR*ch", 8);
  properties.setZipProperty("doc", pkg::kZipPropMacTypeCreator, typeCreator, false);

  MemoryFile out;
  entry.writeCDH(out, &properties);
  ASSERT_EQ(46u + 3 + 16, out.bytes().size());
  EXPECT_EQ(0, std::memcmp(&out.bytes()[46 + 3], "\x05\x27\x0c\x00ZPITTEXTR*ch", 16));

  // Read back into fresh properties.
  pkg::PkgPropertyMgr readBack(nullptr);
  out.seek(0, SEEK_SET);
  ZpCentralDirEntry back;
  back.readCDH(out, &readBack);
  EXPECT_EQ(typeCreator, readBack.getZipProperty("doc", pkg::kZipPropMacTypeCreator));

  // An empty property drops the record and the extra length shrinks by 16.
  properties.setZipProperty("doc", pkg::kZipPropMacTypeCreator, "", false);
  MemoryFile out2;
  back.writeCDH(out2, &properties);
  EXPECT_EQ(46u + 3, out2.bytes().size());
  EXPECT_EQ(0, getLE16(&out2.bytes()[30]));

  // A record without the "ZPIT" tag is not taken as type and creator.
  ZpCentralDirEntry odd;
  odd.setFilename("odd");
  const uint8_t record[] = {0x05, 0x27, 12,  0,   'Z', 'P', 'I', 'X',
                            'A',  'B',  'C', 'D', 'E', 'F', 'G', 'H'};
  odd.extra.assign(record, record + sizeof(record));
  MemoryFile out3;
  odd.writeCDH(out3, nullptr);
  out3.seek(0, SEEK_SET);
  pkg::PkgPropertyMgr oddProps(nullptr);
  ZpCentralDirEntry oddBack;
  oddBack.readCDH(out3, &oddProps);
  EXPECT_EQ("", oddProps.getZipProperty("odd", pkg::kZipPropMacTypeCreator));
}

TEST(CentralDir, LocalEntriesFollowTheirCentralRecord) {
  pkg::PkgPropertyMgr properties(nullptr);
  ZpCentralDirEntry central;
  central.setFilename("x");
  properties.setZipProperty("x", pkg::kZipPropMacTypeCreator, "5445585452216368", false);
  properties.setZipProperty("x", pkg::kZipPropDOSDate, "6A3C", false);

  auto plain = central.createLocalEntry(false, &properties);
  EXPECT_FALSE(plain->zip64);
  EXPECT_EQ(16u, plain->extra.size());
  EXPECT_EQ(0, central.header.flags & kFlagDataDescriptor);

  MemoryFile out;
  plain->writeLFH(out, &properties);
  EXPECT_EQ(30u + 1 + 16, out.bytes().size());
  EXPECT_EQ(0x3C6A, getLE16(&out.bytes()[12])) << "property 0 gives the date";

  // Sizes beyond 32 bits make a Zip64 local entry with both markers.
  central.uncompressedSize = 0x100000001ull;
  central.compressedSize = 7;
  auto big = central.createLocalEntry(false, nullptr);
  EXPECT_TRUE(big->zip64);
  EXPECT_EQ(20u, big->extra.size());
  EXPECT_EQ(0xFFFFFFFFu, big->header.uncompressedSize);
  EXPECT_EQ(0xFFFFFFFFu, big->header.compressedSize);

  // Data descriptors: 16 bytes, 24 with Zip64; the flag in both headers.
  auto streamed = central.createLocalEntry(true, nullptr);
  EXPECT_NE(0, central.header.flags & kFlagDataDescriptor);
  EXPECT_NE(0, streamed->header.flags & kFlagDataDescriptor);
  EXPECT_TRUE(streamed->updateFromCDEntry(false, central));
  MemoryFile dd;
  streamed->writeDD(dd);
  EXPECT_EQ(24u, dd.bytes().size());
  EXPECT_EQ(0x100000001ull, getLE64(&dd.bytes()[16]));

  // Sizes needing Zip64 on an entry written without it: code 7; differing
  // sizes with the size check: code 17.
  central.uncompressedSize = 0x100000001ull;
  EXPECT_EQ(7, codeOf([&] { plain->updateFromCDEntry(false, central); }));
  central.uncompressedSize = 5;
  central.compressedSize = 5;
  EXPECT_EQ(17, codeOf([&] { plain->updateFromCDEntry(true, central); }));
  EXPECT_TRUE(plain->updateFromCDEntry(false, central));
  EXPECT_FALSE(plain->updateFromCDEntry(false, central)) << "nothing left to change";

  // A local header without a name is never written.
  ZpLocalFileEntry nameless;
  MemoryFile none;
  EXPECT_EQ(22, codeOf([&] { nameless.writeLFH(none, nullptr); }));
  EXPECT_TRUE(none.bytes().empty());
}

TEST(CentralDir, FinishingAnEntryRewritesItsHeaderInPlace) {
  auto file = std::make_shared<MemoryFile>();
  ArchiveWriter writer(file);
  auto record = writer.add("name.txt", std::string(3000, 'q'), pkg::deflate);
  const std::vector<uint8_t>& bytes = file->bytes();
  EXPECT_EQ(record->header.crc32, getLE32(&bytes[14]));
  EXPECT_EQ(record->compressedSize, getLE32(&bytes[18]));
  EXPECT_EQ(3000u, getLE32(&bytes[22]));
  EXPECT_EQ(8, getLE16(&bytes[8]));

  // Not seekable: a data descriptor follows the data instead.
  auto stream = std::make_shared<MemoryFile>();
  stream->seekable = false;
  ArchiveWriter streamed(stream, nullptr, true);
  auto r2 = streamed.add("s", "streamed data", pkg::stored);
  const std::vector<uint8_t>& sb = stream->bytes();
  ASSERT_EQ(30u + 1 + 13 + 16, sb.size());
  EXPECT_EQ(kDataDescriptorSignature, getLE32(&sb[30 + 1 + 13]));
  EXPECT_EQ(r2->header.crc32, getLE32(&sb[30 + 1 + 13 + 4]));
  EXPECT_EQ(0u, getLE32(&sb[14])) << "the header before the data stays as it was";
}

TEST(CentralDir, EntriesAreFoundAddedAndDeletedByName) {
  ZpCentralDir directory;
  auto first = std::make_shared<ZpCentralDirEntry>();
  first->setFilename("same");
  auto second = std::make_shared<ZpCentralDirEntry>();
  second->setFilename("same");
  second->header.crc32 = 2;
  directory.addCDirEntry(first);
  directory.addCDirEntry(second);
  EXPECT_EQ(2u, directory.getCount());
  EXPECT_EQ(2u * (46 + 4), directory.getCDSize());
  EXPECT_EQ(first, directory.getCDirEntry("same"));
  EXPECT_TRUE(directory.deleteCDirEntry("same"));
  EXPECT_EQ(second, directory.getCDirEntry("same"));
  EXPECT_EQ(1u, directory.getCount());
  EXPECT_TRUE(directory.deleteCDirEntry("same"));
  EXPECT_FALSE(directory.deleteCDirEntry("same"));
  EXPECT_EQ(0u, directory.getCount());

  ZpCentralDirEntry entry;
  EXPECT_EQ(22, codeOf([&] { entry.setFilename(std::string(65536, 'n')); }));
  entry.setFilename(std::string(65535, 'n'));
  EXPECT_EQ(46u + 65535, entry.getSize());
}
