#include <gtest/gtest.h>

#include <cstring>

#include "pkg/ZipRecords.h"

using namespace pkg::zip;

TEST(ZipRecords, DosTimePacksDateAndTime) {
  struct Case {
    int y, mo, d, h, mi, s;
    uint16_t date, time;
  } cases[] = {
      {1980, 1, 1, 0, 0, 0, 33, 0},
      {2010, 3, 10, 1, 2, 4, 0x3C6A, 0x0842},
      {2010, 3, 10, 10, 30, 13, 0x3C6A, 10 * 2048 + 30 * 32 + 6},
      {2107, 12, 31, 23, 59, 59, 127 * 512 + 12 * 32 + 31, 23 * 2048 + 59 * 32 + 29},
  };
  for (const Case& c : cases) {
    DOSTime t = dostime(c.y, c.mo, c.d, c.h, c.mi, c.s);
    EXPECT_EQ(c.date, t >> 16) << c.y;
    EXPECT_EQ(c.time, t & 0xFFFF) << c.y;
  }
  // Before 1980: month 0, day 21, not the first of January 1980.
  EXPECT_EQ(0x00150000u, dostime(1979, 12, 31, 23, 59, 59));
  EXPECT_EQ(kDOSTimeBefore1980, dostime(1900, 1, 1, 0, 0, 0));

  DOSTime now = getDOSTime();
  EXPECT_GE(now >> 25, 40u) << "the current year is after 2020";
}

TEST(ZipRecords, HeadersUseTheFormatsOffsets) {
  CentralDirHeader c;
  c.versionMadeBy = {20, 63};
  c.versionNeeded = {45, 0};
  c.flags = 0x0808;
  c.method = 8;
  c.setDateTime(0x3C6A0842);
  c.crc32 = 0xDEADBEEF;
  c.compressedSize = 0x01020304;
  c.uncompressedSize = 0x05060708;
  c.fileNameLength = 3;
  c.extraFieldLength = 20;
  c.fileCommentLength = 7;
  c.diskNumberStart = 0;
  c.internalAttributes = 1;
  c.externalAttributes = 0x81A40000;
  c.localHeaderOffset = 0xCAFEBABE;
  uint8_t b[46];
  c.toBytes(b);
  EXPECT_EQ(0u, std::memcmp(b, "PK\x01\x02", 4));
  EXPECT_EQ(20, b[4]);
  EXPECT_EQ(63, b[5]);
  EXPECT_EQ(45, b[6]);
  EXPECT_EQ(0x0842, getLE16(b + 12));
  EXPECT_EQ(0x3C6A, getLE16(b + 14));
  EXPECT_EQ(0xDEADBEEFu, getLE32(b + 16));
  EXPECT_EQ(0x01020304u, getLE32(b + 20));
  EXPECT_EQ(0x05060708u, getLE32(b + 24));
  EXPECT_EQ(3, getLE16(b + 28));
  EXPECT_EQ(20, getLE16(b + 30));
  EXPECT_EQ(7, getLE16(b + 32));
  EXPECT_EQ(0x81A40000u, getLE32(b + 38));
  EXPECT_EQ(0xCAFEBABEu, getLE32(b + 42));
  CentralDirHeader back;
  back.fromBytes(b);
  EXPECT_EQ(c.localHeaderOffset, back.localHeaderOffset);
  EXPECT_EQ(c.externalAttributes, back.externalAttributes);

  // A local header made from a central one copies all but the extra length.
  LocalFileHeader l(c);
  EXPECT_EQ(0u, l.extraFieldLength);
  EXPECT_EQ(3u, l.fileNameLength);
  EXPECT_EQ(c.crc32, l.crc32);
  EXPECT_EQ(0x0842, l.time);
  uint8_t lb[30];
  l.toBytes(lb);
  EXPECT_TRUE(LocalFileHeader::isSwappedSignature(getLE32(lb)));
  EXPECT_EQ(0xDEADBEEFu, getLE32(lb + 14));
  EXPECT_EQ(3, getLE16(lb + 26));

  EndCentralDirectory e;
  e.entriesThisDisk = e.entriesTotal = 2;
  e.centralDirSize = 100;
  e.centralDirOffset = 200;
  e.commentLength = 5;
  uint8_t eb[22];
  e.toBytes(eb);
  EXPECT_EQ(kEndCentralDirectorySignature, getLE32(eb));
  EXPECT_EQ(100u, getLE32(eb + 12));
  EXPECT_EQ(200u, getLE32(eb + 16));
  EXPECT_EQ(5, getLE16(eb + 20));

  Zip64EndCentralDirectory z;
  z.updateFromECD(e);
  EXPECT_EQ(44u, z.recordSize);
  EXPECT_EQ(45, z.versionMadeBy.format);
  EXPECT_EQ(0, z.versionMadeBy.host);
  EXPECT_EQ(2u, z.entriesTotal);
  EXPECT_EQ(200u, z.centralDirOffset);
  uint8_t zb[56];
  z.toBytes(zb);
  EXPECT_EQ(kZip64EndCentralDirectorySignature, getLE32(zb));
  EXPECT_EQ(44u, getLE64(zb + 4));
  EXPECT_EQ(200u, getLE64(zb + 48));

  Zip64EndCentralDirectoryLocator loc;
  loc.zip64EndOffset = 0x123456789ull;
  loc.totalDisks = 1;
  uint8_t locb[20];
  loc.toBytes(locb);
  EXPECT_EQ(kZip64EndCentralDirectoryLocatorSignature, getLE32(locb));
  EXPECT_EQ(0x123456789ull, getLE64(locb + 8));
  EXPECT_EQ(1u, getLE32(locb + 16));
}

// Every byte of both headers comes back from its own field: bytes 0, 1, 2,
// ... in, the same bytes out, and each field where the format puts it.
TEST(ZipRecords, HeaderFieldsReadAndWriteTheirOwnBytes) {
  uint8_t local[30];
  uint8_t central[46];
  for (size_t i = 0; i < sizeof central; ++i) central[i] = static_cast<uint8_t>(i + 1);
  std::memcpy(local, central, sizeof local);

  LocalFileHeader l;
  l.fromBytes(local);
  EXPECT_EQ(0x04030201u, l.signature);
  EXPECT_EQ(5, l.versionNeeded.format);
  EXPECT_EQ(6, l.versionNeeded.host);
  EXPECT_EQ(0x0807, l.flags);
  EXPECT_EQ(0x0A09, l.method);
  EXPECT_EQ(0x0C0B, l.time);
  EXPECT_EQ(0x0E0D, l.date);
  EXPECT_EQ(0x1211100Fu, l.crc32);
  EXPECT_EQ(0x16151413u, l.compressedSize);
  EXPECT_EQ(0x1A191817u, l.uncompressedSize);
  EXPECT_EQ(0x1C1B, l.fileNameLength);
  EXPECT_EQ(0x1E1D, l.extraFieldLength);
  uint8_t localOut[30];
  l.toBytes(localOut);
  EXPECT_EQ(0, std::memcmp(local, localOut, sizeof local));

  CentralDirHeader c;
  c.fromBytes(central);
  EXPECT_EQ(5, c.versionMadeBy.format);
  EXPECT_EQ(6, c.versionMadeBy.host);
  EXPECT_EQ(7, c.versionNeeded.format);
  EXPECT_EQ(8, c.versionNeeded.host);
  EXPECT_EQ(0x0A09, c.flags);
  EXPECT_EQ(0x0C0B, c.method);
  EXPECT_EQ(0x0E0D, c.time);
  EXPECT_EQ(0x100F, c.date);
  EXPECT_EQ(0x14131211u, c.crc32);
  EXPECT_EQ(0x18171615u, c.compressedSize);
  EXPECT_EQ(0x1C1B1A19u, c.uncompressedSize);
  EXPECT_EQ(0x1E1D, c.fileNameLength);
  EXPECT_EQ(0x201F, c.extraFieldLength);
  EXPECT_EQ(0x2221, c.fileCommentLength);
  EXPECT_EQ(0x2423, c.diskNumberStart);
  EXPECT_EQ(0x2625, c.internalAttributes);
  EXPECT_EQ(0x2A292827u, c.externalAttributes);
  EXPECT_EQ(0x2E2D2C2Bu, c.localHeaderOffset);
  uint8_t centralOut[46];
  c.toBytes(centralOut);
  EXPECT_EQ(0, std::memcmp(central, centralOut, sizeof central));
}

TEST(ZipRecords, ExtraWalkStopsAtARecordRunningPastTheField) {
  // id 0x7875 with 3 data bytes, then a record whose data would overrun.
  const uint8_t field[] = {0x75, 0x78, 3, 0, 1, 2, 3, 0x01, 0x00, 16, 0, 0xAA, 0xBB};
  ExtraFieldWalker walker(field, sizeof(field));
  ExtraRecord r;
  ASSERT_TRUE(walker.next(r));
  EXPECT_EQ(0x7875, r.id);
  EXPECT_EQ(3u, r.dataSize);
  EXPECT_EQ(0u, r.offset);
  EXPECT_FALSE(walker.next(r));

  // Three bytes of padding: not even a record header.
  const uint8_t padded[] = {0x75, 0x78, 0, 0, 0, 0, 0};
  ExtraFieldWalker w2(padded, sizeof(padded));
  ASSERT_TRUE(w2.next(r));
  EXPECT_EQ(0u, r.dataSize);
  EXPECT_FALSE(w2.next(r));

  FileTypeAndCreator_2705 tc;
  const uint8_t good[] = {'Z', 'P', 'I', 'T', 'T', 'E', 'X', 'T', 'R', '*', 'c', 'h'};
  EXPECT_TRUE(ExtraData_2705::parse(good, sizeof(good), tc));
  EXPECT_EQ(0, std::memcmp(tc.fileType, "TEXT", 4));
  EXPECT_EQ(0, std::memcmp(tc.creator, "R*ch", 4));
  const uint8_t wrongTag[] = {'Z', 'P', 'I', 'X', 'T', 'E', 'X', 'T', 'R', '*', 'c', 'h'};
  EXPECT_FALSE(ExtraData_2705::parse(wrongTag, sizeof(wrongTag), tc));
  EXPECT_FALSE(ExtraData_2705::parse(good, 11, tc));
}
