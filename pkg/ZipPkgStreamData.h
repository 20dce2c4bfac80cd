#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "pkg/PkgTypes.h"

namespace pkg::zip {

// The data of one entry being read or written: stored bytes directly,
// deflated ones through a raw zlib stream. Compressed output is written in
// pieces of 4096 bytes; compressed input is read in pieces of 64 KiB, since
// each call into zlib costs about a microsecond and small pieces made
// reading a tenth slower than inflating the same streams directly.
//
// A reader given the expected size and CRC-32 (setExpected) checks them:
// it never hands out more bytes than the entry declares, and at the end of
// the entry a size, CRC-32 or length mismatch throws PackageException 31.
// Data that ends before the entry is complete throws PackageIOException 40.
class ZipPkgStreamData {
 public:
  static constexpr size_t kWritePieceSize = 4096;
  static constexpr size_t kReadPieceSize = 64 * 1024;

  ZipPkgStreamData();
  ~ZipPkgStreamData();
  ZipPkgStreamData(const ZipPkgStreamData&) = delete;
  ZipPkgStreamData& operator=(const ZipPkgStreamData&) = delete;

  // position: where the data starts; size: the compressed size when
  // reading (ignored when writing); method: 0 or 8, others code 19; mode:
  // in or out (both: code 19, neither: code 22). Set-up failures of zlib:
  // 31 (inflate), 32 (deflate).
  void init(std::shared_ptr<IPkgFSFileCommon> file, uint64_t position, uint64_t size,
            uint16_t method, openmode mode);
  // Both reset by init().
  void setExpected(uint64_t uncompressedSize, uint32_t crc32);
  // Whether a CRC-32 is kept over the bytes passed (on by default; a raw
  // copy of compressed bytes turns it off).
  void setComputeCRC(bool compute) { m_computeCRC = compute; }

  // Up to n bytes; 0 only at the end of the entry.
  int read(void* buffer, int n);
  // Takes all n bytes or throws.
  int write(const void* buffer, int n);
  // Ends the zlib stream; a deflate stream that took input (or writes to a
  // file that cannot seek) is finished and its last output written. zlib
  // failures: code 30.
  void close();

  bool isOpen() const { return m_open; }
  bool atEnd() const { return m_ended; }
  // Bytes read from or written to the file.
  uint64_t getCompressedCount() const { return m_compressedCount; }
  // Bytes handed out or taken in.
  uint64_t getUncompressedCount() const { return m_uncompressedCount; }
  uint32_t getCRC32() const { return m_crc; }
  uint64_t getPosition() const { return m_position; }

 private:
  struct ZStream;

  void setFilePosition();
  int readStored(uint8_t* out, int n);
  int readDeflated(uint8_t* out, int n);
  bool refillInput();
  // Past the declared size: asks zlib whether anything follows.
  void probeEnd();
  void finishRead();
  void writeOutput(const uint8_t* data, size_t n);
  [[noreturn]] void throwInflate(int status);

  std::shared_ptr<IPkgFSFileCommon> m_file;
  bool m_seekable = false;
  uint64_t m_start = 0;
  uint64_t m_position = 0;
  uint64_t m_size = 0;
  uint16_t m_method = 0;
  bool m_reading = false;
  bool m_open = false;
  bool m_ended = false;
  bool m_tookInput = false;
  bool m_computeCRC = true;
  bool m_verify = false;
  uint64_t m_expectedSize = 0;
  uint32_t m_expectedCRC = 0;
  std::unique_ptr<ZStream> m_z;
  int m_lastStatus = 0;
  uint64_t m_compressedCount = 0;
  uint64_t m_uncompressedCount = 0;
  uint32_t m_crc = 0;
  std::vector<uint8_t> m_buffer;
};

}  // namespace pkg::zip
