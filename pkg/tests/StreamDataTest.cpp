#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "pkg/PackageException.h"
#include "pkg/ZipPkgStream.h"
#include "pkg/ZipPkgStreamData.h"
#include "pkg/ZpCentralDirEntry.h"
#include "pkg/tests/ZipTestSupport.h"

using namespace pkg::zip;
using pkg::PackageException;
using pkgtest::codeOf;
using pkgtest::MemoryFile;

namespace {

std::string randomText(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>('a' + rng() % 8);
  return s;
}

// The raw deflate stream of data.
std::string deflateRaw(const std::string& data) {
  z_stream z;
  std::memset(&z, 0, sizeof(z));
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

uint32_t crcOf(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Reads an entry's data laid out at offset 7 of a file, with the given
// declared sizes and CRC, in pieces of `piece` bytes.
std::string readEntry(const std::string& stored, uint16_t method, uint64_t compressedSize,
                      uint64_t uncompressedSize, uint32_t crc, int piece = 1000,
                      const std::string& after = "ZZZZ") {
  auto file = std::make_shared<MemoryFile>("1234567" + stored + after);
  ZipPkgStreamData data;
  data.init(file, 7, compressedSize, method, std::ios_base::in);
  data.setExpected(uncompressedSize, crc);
  std::string out;
  std::vector<char> buffer(static_cast<size_t>(piece));
  for (;;) {
    int got = data.read(buffer.data(), piece);
    if (got == 0) break;
    out.append(buffer.data(), static_cast<size_t>(got));
  }
  data.close();
  return out;
}

}  // namespace

TEST(StreamData, EntriesReadBackAsWrittenInAnyPieceSize) {
  const std::string text = randomText(100000, 1);
  for (uint16_t method : {uint16_t{0}, uint16_t{8}}) {
    auto file = std::make_shared<MemoryFile>(std::string("prefix"));
    ZipPkgStreamData writer;
    writer.init(file, 6, 0, method, std::ios_base::out);
    for (size_t i = 0; i < text.size(); i += 777) {
      writer.write(text.data() + i, static_cast<int>(std::min<size_t>(777, text.size() - i)));
    }
    writer.close();
    EXPECT_EQ(text.size(), writer.getUncompressedCount());
    EXPECT_EQ(crcOf(text), writer.getCRC32());
    EXPECT_EQ(file->bytes().size() - 6, writer.getCompressedCount());
    if (method == 8) {
      EXPECT_LT(writer.getCompressedCount(), text.size() / 2);
    }

    std::string stored = file->str().substr(6);
    for (int piece : {1, 13, 4096, 70000}) {
      EXPECT_EQ(text, readEntry(stored, method, stored.size(), text.size(), crcOf(text), piece))
          << method << " " << piece;
    }
  }
}

TEST(StreamData, DeflatedDataStopsAtTheEndOfItsStream) {
  const std::string text = "abcabcabcabc end";
  const std::string packed = deflateRaw(text);
  // Unverified, the reader ends where zlib reports the stream's end.
  auto file = std::make_shared<MemoryFile>(packed + "garbage");
  ZipPkgStreamData data;
  data.init(file, 0, packed.size() + 7, 8, std::ios_base::in);
  char buffer[100];
  int got = data.read(buffer, sizeof(buffer));
  EXPECT_EQ(text, std::string(buffer, static_cast<size_t>(got)));
  EXPECT_EQ(0, data.read(buffer, sizeof(buffer)));
  EXPECT_TRUE(data.atEnd());
}

TEST(StreamData, DataNotMatchingItsRecordIsRefused) {
  const std::string text = randomText(20000, 2);
  const std::string packed = deflateRaw(text);
  const uint32_t crc = crcOf(text);
  struct Case {
    const char* what;
    std::string stored;
    uint16_t method;
    uint64_t compressed, uncompressed;
    uint32_t crc;
    int code;
  } cases[] = {
      {"stored, wrong CRC", text, 0, text.size(), text.size(), crc ^ 1, 31},
      {"deflated, wrong CRC", packed, 8, packed.size(), text.size(), crc + 1, 31},
      {"stored, declared shorter than held", text, 0, text.size(), 10, crc, 31},
      {"stored, declared longer than held", text.substr(0, 10), 0, 10, text.size(), crc, 31},
      {"deflated, inflates past its size", packed, 8, packed.size(), 10, crc, 31},
      {"deflated, inflates short of its size", packed, 8, packed.size(), text.size() + 1, crc, 31},
      {"deflated, compressed size too small", packed, 8, packed.size() / 2, text.size(), crc, 31},
      {"deflated, garbage inside the compressed size", packed + "xx", 8, packed.size() + 2,
       text.size(), crc, 31},
      {"deflated, not a deflate stream", std::string(300, '\xff'), 8, 300, 300, 0, 31},
      {"stored, file ends inside the data", text.substr(0, 100), 0, 200, 200, 0, 40},
      {"deflated, file ends inside the data", packed.substr(0, packed.size() / 2), 8, packed.size(),
       text.size(), crc, 40},
  };
  for (const Case& c : cases) {
    std::string after = c.code == 40 ? "" : "ZZZZ";
    EXPECT_EQ(c.code, codeOf([&] {
                readEntry(c.stored, c.method, c.compressed, c.uncompressed, c.crc, 4096, after);
              }))
        << c.what;
  }
  // The good one passes, and so does an empty deflated entry left without
  // any data.
  EXPECT_EQ(text, readEntry(packed, 8, packed.size(), text.size(), crc));
  EXPECT_EQ("", readEntry("", 8, 0, 0, 0));
  EXPECT_EQ("", readEntry(deflateRaw(""), 8, 2, 0, 0));
}

TEST(StreamData, NoByteBeyondTheDeclaredSizeIsHandedOut) {
  const std::string text(300000, 'A');  // inflates far beyond what it claims
  const std::string packed = deflateRaw(text);
  auto file = std::make_shared<MemoryFile>(packed);
  ZipPkgStreamData data;
  data.init(file, 0, packed.size(), 8, std::ios_base::in);
  data.setExpected(10, crcOf(text.substr(0, 10)));
  std::vector<char> buffer(100000);
  EXPECT_EQ(10, data.read(buffer.data(), 100000));
  EXPECT_EQ(31, codeOf([&] { data.read(buffer.data(), 100000); }));
}

TEST(StreamData, ModesAndMethodsOutsideTheFormatAreRefused) {
  auto file = std::make_shared<MemoryFile>(std::string("data"));
  ZipPkgStreamData data;
  EXPECT_EQ(19, codeOf([&] { data.init(file, 0, 4, 0, std::ios_base::in | std::ios_base::out); }));
  EXPECT_EQ(22, codeOf([&] { data.init(file, 0, 4, 0, std::ios_base::binary); }));
  for (uint16_t method : {1, 9, 12, 14, 93, 95, 98, 99}) {
    EXPECT_EQ(19, codeOf([&] { data.init(file, 0, 4, method, std::ios_base::in); })) << method;
  }
  // Offsets and sizes that cannot be addressed.
  EXPECT_EQ(7, codeOf([&] { data.init(file, 1ull << 63, 4, 0, std::ios_base::in); }));
  EXPECT_EQ(7, codeOf([&] { data.init(file, 100, 0x7FFFFFFFFFFFFFF0ull, 0, std::ios_base::in); }));
}

TEST(StreamData, AnEmptyDeflatedEntryWritesNothing) {
  auto file = std::make_shared<MemoryFile>();
  ZipPkgStreamData data;
  data.init(file, 0, 0, 8, std::ios_base::out);
  data.close();
  EXPECT_EQ(0u, data.getCompressedCount());
  EXPECT_TRUE(file->bytes().empty());
}

TEST(StreamData, EncryptedEntriesAndUnknownMethodsAreRefusedUnlessCopiedRaw) {
  auto file = std::make_shared<MemoryFile>(std::string(100, 'e'));
  ZpCentralDirEntry record;
  record.setFilename("secret");
  record.header.flags = kFlagEncrypted;
  record.header.method = 8;
  record.compressedSize = 100;
  record.uncompressedSize = 100;
  ZipPkgStream stream(nullptr);
  EXPECT_EQ(19, codeOf([&] { stream.buffer().openPackageRead(file, 0, record, false); }));
  record.header.flags = 0;
  record.header.method = 14;
  EXPECT_EQ(19, codeOf([&] { stream.buffer().openPackageRead(file, 0, record, false); }));
  // A raw copy hands out the stored bytes whatever they are.
  stream.buffer().openPackageRead(file, 0, record, true);
  std::string all(100, '\0');
  stream.read(all.data(), 100);
  EXPECT_EQ(std::string(100, 'e'), all);
}
