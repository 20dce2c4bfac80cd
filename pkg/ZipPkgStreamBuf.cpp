#include "pkg/ZipPkgStreamBuf.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "pkg/PackageException.h"
#include "pkg/ZpCentralDirEntry.h"

namespace pkg::zip {

namespace {
constexpr std::streamsize kMaxPiece = INT_MAX / 2;
}

IZipStreamOwner::~IZipStreamOwner() = default;

ZipPkgStreamBuf::ZipPkgStreamBuf(IZipStreamOwner* owner) : m_owner(owner) {
  resetGetArea(nullptr, 0);
  setp(nullptr, nullptr);
}

ZipPkgStreamBuf::~ZipPkgStreamBuf() {
  if (!m_open) return;
  m_open = false;
  try {
    m_data.close();
  } catch (...) {
    // Dropped: a destructor must not throw.
  }
}

void ZipPkgStreamBuf::resetGetArea(const char* last, size_t count) {
  size_t keep = std::min<size_t>(kPutback, count);
  if (keep > 0) std::memmove(m_getArea + kPutback - keep, last + count - keep, keep);
  setg(m_getArea + kPutback - keep, m_getArea + kPutback, m_getArea + kPutback);
}

uint64_t ZipPkgStreamBuf::currentPosition() const {
  return m_position - static_cast<uint64_t>(egptr() - gptr());
}

void ZipPkgStreamBuf::openPackageRead(std::shared_ptr<IPkgFSFileCommon> file, uint64_t dataStart,
                                      const ZpCentralDirEntry& record, bool raw) {
  if (m_open) throw PackageException(kPkgErrIllegalState);
  if (!raw) {
    if (record.isEncrypted()) throw PackageException(kPkgErrNotImplemented);
    if (record.header.method != stored && record.header.method != deflate) {
      throw PackageException(kPkgErrNotImplemented);
    }
  }
  if (raw) {
    m_data.init(file, dataStart, record.compressedSize, stored, std::ios_base::in);
    m_data.setComputeCRC(false);
  } else {
    m_data.init(file, dataStart, record.compressedSize, record.header.method, std::ios_base::in);
    m_data.setExpected(record.uncompressedSize, record.header.crc32);
  }
  m_source = Source::kPackage;
  m_writing = false;
  m_raw = raw;
  m_file = std::move(file);
  m_dataStart = dataStart;
  m_position = 0;
  m_open = true;
  resetGetArea(nullptr, 0);
}

void ZipPkgStreamBuf::setExpected(uint64_t uncompressedSize, uint32_t crc32) {
  if (m_open && !m_writing && !m_raw && m_source == Source::kPackage) {
    m_data.setExpected(uncompressedSize, crc32);
  }
}

void ZipPkgStreamBuf::openTempFile(std::shared_ptr<IPkgFSFileCommon> file, openmode mode) {
  if (m_open) throw PackageException(kPkgErrIllegalState);
  const bool in = (mode & std::ios_base::in) != 0;
  const bool out = (mode & std::ios_base::out) != 0;
  if (in && out) throw PackageException(kPkgErrNotImplemented);
  if (!in && !out) throw PackageException(kPkgErrBadArgument);
  if (!file) throw PackageException(kPkgErrBadArgument);
  if (out) {
    m_data.init(file, 0, 0, stored, std::ios_base::out);
  } else {
    int64_t length = file->seek(0, SEEK_END);
    m_data.init(file, 0, static_cast<uint64_t>(length), stored, std::ios_base::in);
  }
  m_source = Source::kTempFile;
  m_writing = out;
  m_raw = false;
  m_file = std::move(file);
  m_position = 0;
  m_open = true;
  resetGetArea(nullptr, 0);
}

void ZipPkgStreamBuf::openTargetWrite(std::shared_ptr<IPkgFSFileCommon> target, uint16_t method,
                                      bool raw, uint32_t rawCRC, uint64_t rawUncompressedSize) {
  if (m_open) throw PackageException(kPkgErrIllegalState);
  if (!target) throw PackageException(kPkgErrBadArgument);
  if (!raw && method != stored && method != deflate) throw PackageException(kPkgErrNotImplemented);
  m_source = Source::kTarget;
  m_writing = true;
  m_raw = raw;
  m_rawCRC = rawCRC;
  m_rawUncompressedSize = rawUncompressedSize;
  m_method = raw ? static_cast<uint16_t>(stored) : method;
  m_targetStarted = false;
  m_file = std::move(target);
  m_position = 0;
  m_open = true;
  resetGetArea(nullptr, 0);
}

void ZipPkgStreamBuf::startTarget() {
  if (m_targetStarted) return;
  m_targetStarted = true;
  if (m_owner) m_owner->streamWriteLocalHeader();
  int64_t position = m_file->tell();
  m_data.init(m_file, static_cast<uint64_t>(position), 0, m_method, std::ios_base::out);
  if (m_raw) m_data.setComputeCRC(false);
}

void ZipPkgStreamBuf::switchToTempFile(bool create) {
  if (!m_owner) return;
  std::shared_ptr<IPkgFSFileCommon> temp = m_owner->streamTempFile();
  if (!temp && create) temp = m_owner->streamCreateTempFile();
  if (!temp) return;
  if (m_writing) throw PackageException(kPkgErrUnsupportedOperation);
  m_data.close();
  int64_t length = temp->seek(0, SEEK_END);
  uint64_t start = std::min<uint64_t>(m_position, static_cast<uint64_t>(length));
  m_data.init(temp, start, static_cast<uint64_t>(length) - start, stored, std::ios_base::in);
  m_file = std::move(temp);
  m_source = Source::kTempFile;
  m_raw = false;
  m_position = start;
}

int ZipPkgStreamBuf::readData(char* s, int n) {
  if (!m_open) return 0;
  if (m_writing) throw PackageException(kPkgErrNotImplemented);
  // An entry changed while this stream read its old data goes on in the
  // new data, from the same position.
  if (m_source == Source::kPackage) switchToTempFile(false);
  int got = m_data.read(s, n);
  m_position += static_cast<uint64_t>(got);
  return got;
}

ZipPkgStreamBuf::int_type ZipPkgStreamBuf::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  size_t keep = std::min<size_t>(kPutback, static_cast<size_t>(gptr() - eback()));
  std::memmove(m_getArea + kPutback - keep, gptr() - keep, keep);
  int got = readData(m_getArea + kPutback, 1);
  setg(m_getArea + kPutback - keep, m_getArea + kPutback, m_getArea + kPutback + (got > 0 ? 1 : 0));
  if (got <= 0) return traits_type::eof();
  return traits_type::to_int_type(*gptr());
}

std::streamsize ZipPkgStreamBuf::xsgetn(char* s, std::streamsize n) {
  if (n <= 0) return 0;
  std::streamsize done = std::min<std::streamsize>(n, egptr() - gptr());
  if (done > 0) {
    std::memcpy(s, gptr(), static_cast<size_t>(done));
    gbump(static_cast<int>(done));
  }
  const std::streamsize fromBuffer = done;
  while (done < n) {
    int piece = static_cast<int>(std::min(n - done, kMaxPiece));
    int got = readData(s + done, piece);
    if (got <= 0) break;
    done += got;
  }
  if (done > fromBuffer) resetGetArea(s, static_cast<size_t>(done));
  return done;
}

void ZipPkgStreamBuf::writeData(const char* s, std::streamsize n) {
  if (!m_open) throw PackageException(kPkgErrIllegalState);
  if (!m_writing) throw PackageException(kPkgErrNotImplemented);
  if (m_source == Source::kTarget) startTarget();
  while (n > 0) {
    int piece = static_cast<int>(std::min(n, kMaxPiece));
    m_data.write(s, piece);
    m_position += static_cast<uint64_t>(piece);
    s += piece;
    n -= piece;
  }
}

ZipPkgStreamBuf::int_type ZipPkgStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  char ch = traits_type::to_char_type(c);
  writeData(&ch, 1);
  return c;
}

std::streamsize ZipPkgStreamBuf::xsputn(const char* s, std::streamsize n) {
  if (n <= 0) return 0;
  writeData(s, n);
  return n;
}

ZipPkgStreamBuf::pos_type ZipPkgStreamBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                   std::ios_base::openmode) {
  const pos_type invalid(off_type(-1));
  if (!m_open) return invalid;
  const uint64_t current = currentPosition();
  if (dir == std::ios_base::cur && off == 0) return pos_type(static_cast<off_type>(current));
  if (dir == std::ios_base::beg && off >= 0 && static_cast<uint64_t>(off) == current) {
    return pos_type(static_cast<off_type>(current));
  }
  if (dir != std::ios_base::beg && dir != std::ios_base::cur && dir != std::ios_base::end) {
    throw PackageException(kPkgErrBadArgument);
  }
  // Compressed data cannot be moved in: a reader moves onto the temporary
  // file, a writer straight into the target cannot move at all.
  if (m_source == Source::kTarget) throw PackageException(kPkgErrUnsupportedOperation);
  if (m_source == Source::kPackage) {
    m_position = current;
    resetGetArea(nullptr, 0);
    switchToTempFile(true);
    if (m_source != Source::kTempFile) return invalid;
  }
  const int64_t length = m_file->seek(0, SEEK_END);
  int64_t base = dir == std::ios_base::beg   ? 0
                 : dir == std::ios_base::cur ? static_cast<int64_t>(current)
                                             : length;
  if (off > 0 && base > INT64_MAX - static_cast<int64_t>(off)) return invalid;
  int64_t target = base + static_cast<int64_t>(off);
  if (target < 0) return invalid;
  m_data.close();
  if (m_writing) {
    m_data.init(m_file, static_cast<uint64_t>(target), 0, stored, std::ios_base::out);
  } else {
    int64_t start = std::min(target, length);
    m_data.init(m_file, static_cast<uint64_t>(start), static_cast<uint64_t>(length - start), stored,
                std::ios_base::in);
  }
  m_position = static_cast<uint64_t>(target);
  resetGetArea(nullptr, 0);
  return pos_type(static_cast<off_type>(target));
}

ZipPkgStreamBuf::pos_type ZipPkgStreamBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

int ZipPkgStreamBuf::sync() {
  return 0;
}

void ZipPkgStreamBuf::close() {
  if (!m_open) return;
  m_open = false;
  resetGetArea(nullptr, 0);
  try {
    if (m_source == Source::kTarget && !m_targetStarted) startTarget();
    m_data.close();
  } catch (...) {
    m_file.reset();
    m_source = Source::kNone;
    throw;
  }
  if (m_writing && m_owner) {
    if (m_source == Source::kTempFile) {
      int64_t length = m_file->seek(0, SEEK_END);
      m_owner->streamSetSizes(static_cast<uint64_t>(length), static_cast<uint64_t>(length), 0);
    } else if (m_source == Source::kTarget) {
      uint64_t uncompressed = m_raw ? m_rawUncompressedSize : m_data.getUncompressedCount();
      uint32_t crc = m_raw ? m_rawCRC : m_data.getCRC32();
      m_owner->streamSetSizes(uncompressed, m_data.getCompressedCount(), crc);
    }
  }
  m_file.reset();
  m_source = Source::kNone;
}

}  // namespace pkg::zip
