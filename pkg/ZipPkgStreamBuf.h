#pragma once

#include <cstdint>
#include <memory>
#include <streambuf>

#include "pkg/IPkgEntry.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/ZipPkgStreamData.h"

namespace pkg::zip {

class ZipPkgStream;
class ZpCentralDirEntry;

// What an entry's stream needs of its file entry; the zip file entry
// implements it.
class IZipStreamOwner {
 public:
  virtual ~IZipStreamOwner();
  // The entry's temporary file, opened; null when the entry has none.
  virtual std::shared_ptr<IPkgFSFileCommon> streamTempFile() = 0;
  // Makes the temporary file from the entry's current contents and returns
  // it opened (a read stream that seeks moves onto it).
  virtual std::shared_ptr<IPkgFSFileCommon> streamCreateTempFile() = 0;
  // Writes the entry's local header into the update target, at the
  // target's position.
  virtual void streamWriteLocalHeader() = 0;
  // The written data is complete. For a temporary file both sizes are its
  // length and the CRC-32 is 0 (it is computed when the update copies it).
  virtual void streamSetSizes(uint64_t uncompressed, uint64_t compressed, uint32_t crc) = 0;
  // The stream closed (also after a failure of its buffer).
  virtual void streamClosed(ZipPkgStream* stream) = 0;
  // The file entry, for IPkgStream::getFile.
  virtual SPRefType<IPkgFile> streamFile() = 0;
};

// The buffer of an entry's stream. It reads either the entry's data in the
// package file or the entry's temporary file, and writes either straight
// into the update target or into the temporary file. Bulk reads and writes
// go straight through ZipPkgStreamData; the buffer holds one character for
// single-character reads and keeps the last four bytes read for putting
// back. Reading and writing at once is code 19.
class ZipPkgStreamBuf : public std::streambuf {
 public:
  explicit ZipPkgStreamBuf(IZipStreamOwner* owner);
  ~ZipPkgStreamBuf() override;
  ZipPkgStreamBuf(const ZipPkgStreamBuf&) = delete;
  ZipPkgStreamBuf& operator=(const ZipPkgStreamBuf&) = delete;

  // The entry's data in the package file, starting at dataStart. Decoded
  // data is checked against the record's size and CRC-32 (or those given to
  // setExpected); with raw set the stored bytes are handed out as they are.
  // Encrypted entries and methods other than stored and deflate are code 19
  // unless raw.
  void openPackageRead(std::shared_ptr<IPkgFSFileCommon> file, uint64_t dataStart,
                       const ZpCentralDirEntry& record, bool raw);
  void setExpected(uint64_t uncompressedSize, uint32_t crc32);
  // The entry's temporary file (uncompressed bytes) for reading or writing.
  void openTempFile(std::shared_ptr<IPkgFSFileCommon> file, openmode mode);
  // Straight into the update target, at its position, compressed with
  // method. With raw set the bytes written are already compressed: rawCRC
  // and rawUncompressedSize describe them.
  void openTargetWrite(std::shared_ptr<IPkgFSFileCommon> target, uint16_t method, bool raw,
                       uint32_t rawCRC = 0, uint64_t rawUncompressedSize = 0);

  // Closes the entry data (a failure is passed on, the buffer is closed
  // either way), then gives the entry its sizes when writing.
  void close();
  // Forgets the owner: later closes call nothing back.
  void detach() { m_owner = nullptr; }

  bool isOpen() const { return m_open; }
  bool isWriting() const { return m_writing; }
  bool readsTempFile() const { return m_source == Source::kTempFile; }

 protected:
  int_type underflow() override;
  std::streamsize xsgetn(char* s, std::streamsize n) override;
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                   std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
  int sync() override;

 private:
  enum class Source { kNone, kPackage, kTempFile, kTarget };
  static constexpr int kPutback = 4;

  int readData(char* s, int n);
  void writeData(const char* s, std::streamsize n);
  void switchToTempFile(bool create);
  void startTarget();
  void resetGetArea(const char* last, size_t count);
  uint64_t currentPosition() const;

  IZipStreamOwner* m_owner;
  Source m_source = Source::kNone;
  bool m_open = false;
  bool m_writing = false;
  bool m_raw = false;
  bool m_targetStarted = false;
  uint32_t m_rawCRC = 0;
  uint64_t m_rawUncompressedSize = 0;
  uint16_t m_method = 0;
  uint64_t m_dataStart = 0;
  std::shared_ptr<IPkgFSFileCommon> m_file;
  ZipPkgStreamData m_data;
  // Uncompressed position of the next byte m_data delivers or takes.
  uint64_t m_position = 0;
  char m_getArea[kPutback + 1];
};

}  // namespace pkg::zip
