#include "pkg/ZipPkgStreamData.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "pkg/PackageException.h"
#include "pkg/ZipIO.h"

namespace pkg::zip {

namespace {

// zlib never relies on zeroed memory; the product is checked for overflow.
voidpf zAlloc(voidpf, uInt items, uInt size) {
  if (size != 0 && items > SIZE_MAX / size) return Z_NULL;
  return std::malloc(static_cast<size_t>(items) * size);
}
void zFree(voidpf, voidpf address) {
  std::free(address);
}

[[noreturn]] void throwDataError(const char* what) {
  throw PackageException(kPkgErrDecompressing, std::string("Zip entry data error: ") + what);
}

}  // namespace

struct ZipPkgStreamData::ZStream {
  z_stream s;
  bool inflating = false;
  bool live = false;

  ZStream() { std::memset(&s, 0, sizeof(s)); }
  ~ZStream() { end(); }
  int end() {
    if (!live) return Z_OK;
    live = false;
    return inflating ? inflateEnd(&s) : deflateEnd(&s);
  }
};

ZipPkgStreamData::ZipPkgStreamData() = default;
ZipPkgStreamData::~ZipPkgStreamData() = default;

void ZipPkgStreamData::init(std::shared_ptr<IPkgFSFileCommon> file, uint64_t position,
                            uint64_t size, uint16_t method, openmode mode) {
  bool in = (mode & std::ios_base::in) != 0;
  bool out = (mode & std::ios_base::out) != 0;
  if (in && out) throw PackageException(kPkgErrNotImplemented);
  if (!in && !out) throw PackageException(kPkgErrBadArgument);
  if (method != stored && method != deflate) throw PackageException(kPkgErrNotImplemented);
  if (!file) throw PackageException(kPkgErrBadArgument);
  // Positions must stay within what the file interface can address.
  const uint64_t limit = static_cast<uint64_t>(INT64_MAX);
  if (position > limit || (in && size > limit - position)) {
    throw PackageException(kPkgErrFileTooBig);
  }

  m_z.reset();
  m_file = std::move(file);
  m_seekable = m_file->isSeekable();
  m_start = position;
  m_position = position;
  m_size = in ? size : 0;
  m_method = method;
  m_reading = in;
  m_ended = false;
  m_tookInput = false;
  m_verify = false;
  m_computeCRC = true;
  m_compressedCount = 0;
  m_uncompressedCount = 0;
  m_crc = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));
  m_lastStatus = Z_OK;

  if (method == deflate) {
    auto z = std::make_unique<ZStream>();
    z->s.zalloc = zAlloc;
    z->s.zfree = zFree;
    z->inflating = in;
    m_buffer.resize(in ? kReadPieceSize : kWritePieceSize);
    if (in) {
      m_lastStatus = inflateInit2(&z->s, -MAX_WBITS);
      if (m_lastStatus != Z_OK) throw PackageException(kPkgErrDecompressing);
    } else {
      m_lastStatus =
          deflateInit2(&z->s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
      if (m_lastStatus != Z_OK) throw PackageException(kPkgErrCompressing);
      z->s.next_out = m_buffer.data();
      z->s.avail_out = static_cast<uInt>(m_buffer.size());
    }
    z->live = true;
    m_z = std::move(z);
  }
  m_open = true;
}

void ZipPkgStreamData::setExpected(uint64_t uncompressedSize, uint32_t crc) {
  m_verify = true;
  m_expectedSize = uncompressedSize;
  m_expectedCRC = crc;
}

void ZipPkgStreamData::setFilePosition() {
  // A file keeps its own position, so seeking to where it already is costs
  // nothing; several entries may read the same file in turn.
  if (m_seekable) m_file->seek(static_cast<int64_t>(m_position), SEEK_SET);
}

int ZipPkgStreamData::read(void* buffer, int n) {
  if (!m_open || !m_reading) throw PackageException(kPkgErrIllegalState);
  if (n <= 0 || m_ended) return 0;
  return m_method == deflate ? readDeflated(static_cast<uint8_t*>(buffer), n)
                             : readStored(static_cast<uint8_t*>(buffer), n);
}

int ZipPkgStreamData::readStored(uint8_t* out, int n) {
  if (m_verify && m_size != m_expectedSize) throwDataError("stored sizes differ");
  uint64_t remaining = m_size - m_compressedCount;
  if (remaining == 0) {
    m_ended = true;
    finishRead();
    return 0;
  }
  size_t want =
      static_cast<size_t>(n) < remaining ? static_cast<size_t>(n) : static_cast<size_t>(remaining);
  setFilePosition();
  size_t got = readFully(*m_file, out, want);
  if (got < want) throw PackageIOException(kPkgErrReadingFile);
  m_position += got;
  m_compressedCount += got;
  m_uncompressedCount += got;
  if (m_computeCRC) m_crc = static_cast<uint32_t>(crc32(m_crc, out, static_cast<uInt>(got)));
  if (m_compressedCount == m_size) {
    m_ended = true;
    finishRead();
  }
  return static_cast<int>(got);
}

bool ZipPkgStreamData::refillInput() {
  uint64_t remaining = m_size - m_compressedCount;
  if (remaining == 0) return false;
  size_t chunk = remaining < m_buffer.size() ? static_cast<size_t>(remaining) : m_buffer.size();
  setFilePosition();
  size_t got = readFully(*m_file, m_buffer.data(), chunk);
  // The file ends inside the entry's data.
  if (got == 0) throw PackageIOException(kPkgErrReadingFile);
  m_position += got;
  m_compressedCount += got;
  m_z->s.next_in = m_buffer.data();
  m_z->s.avail_in = static_cast<uInt>(got);
  return true;
}

void ZipPkgStreamData::throwInflate(int status) {
  std::string message = "Zip inflate exception: " + std::to_string(status);
  if (m_z && m_z->s.msg) message += std::string(" ") + m_z->s.msg;
  throw PackageException(kPkgErrDecompressing, message);
}

int ZipPkgStreamData::readDeflated(uint8_t* out, int n) {
  z_stream& s = m_z->s;
  if (m_verify && m_size == 0 && m_expectedSize == 0) {
    // Some writers leave an empty deflated entry without any data at all.
    m_ended = true;
    finishRead();
    return 0;
  }
  size_t want = static_cast<size_t>(n);
  if (m_verify) {
    uint64_t left = m_expectedSize - m_uncompressedCount;
    if (left == 0) {
      probeEnd();
      return 0;
    }
    if (want > left) want = static_cast<size_t>(left);
  }
  s.next_out = out;
  s.avail_out = static_cast<uInt>(want);
  bool inputUsedUp = false;
  while (s.avail_out > 0) {
    if (s.avail_in == 0 && !inputUsedUp && !refillInput()) inputUsedUp = true;
    // Even without new input zlib may still hold output to give.
    int status = inflate(&s, Z_NO_FLUSH);
    m_lastStatus = status;
    if (status == Z_STREAM_END) {
      m_ended = true;
      break;
    }
    if (status == Z_BUF_ERROR) {
      if (inputUsedUp) break;
      if (s.avail_in == 0) continue;
    }
    if (status != Z_OK) throwInflate(status);
  }
  size_t produced = want - s.avail_out;
  m_uncompressedCount += produced;
  if (m_computeCRC && produced > 0) {
    m_crc = static_cast<uint32_t>(crc32(m_crc, out, static_cast<uInt>(produced)));
  }
  if (m_ended) {
    finishRead();
  } else if (produced == 0 && inputUsedUp) {
    throwDataError("compressed data ends before its stream does");
  }
  return static_cast<int>(produced);
}

void ZipPkgStreamData::probeEnd() {
  z_stream& s = m_z->s;
  uint8_t scratch;
  s.next_out = &scratch;
  s.avail_out = 1;
  bool inputUsedUp = false;
  for (;;) {
    if (s.avail_in == 0 && !inputUsedUp && !refillInput()) inputUsedUp = true;
    int status = inflate(&s, Z_NO_FLUSH);
    m_lastStatus = status;
    if (s.avail_out == 0) throwDataError("more data than the entry's size");
    if (status == Z_STREAM_END) break;
    if (status == Z_BUF_ERROR) {
      if (inputUsedUp) throwDataError("compressed data ends before its stream does");
      if (s.avail_in == 0) continue;
    }
    if (status != Z_OK) throwInflate(status);
  }
  m_ended = true;
  finishRead();
}

void ZipPkgStreamData::finishRead() {
  if (!m_verify) return;
  if (m_method == deflate && (m_z->s.avail_in > 0 || m_compressedCount < m_size)) {
    throwDataError("data after the end of the compressed stream");
  }
  if (m_uncompressedCount != m_expectedSize) throwDataError("size differs from the entry's size");
  if (m_computeCRC && m_crc != m_expectedCRC) throwDataError("CRC-32 mismatch");
}

void ZipPkgStreamData::writeOutput(const uint8_t* data, size_t n) {
  if (n == 0) return;
  setFilePosition();
  writeFully(*m_file, data, n);
  m_position += n;
  m_compressedCount += n;
}

int ZipPkgStreamData::write(const void* buffer, int n) {
  if (!m_open || m_reading) throw PackageException(kPkgErrIllegalState);
  if (n <= 0) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  if (m_computeCRC) m_crc = static_cast<uint32_t>(crc32(m_crc, in, static_cast<uInt>(n)));
  m_uncompressedCount += static_cast<uint64_t>(n);
  m_tookInput = true;
  if (m_method != deflate) {
    writeOutput(in, static_cast<size_t>(n));
    return n;
  }
  z_stream& s = m_z->s;
  s.next_in = const_cast<Bytef*>(in);
  s.avail_in = static_cast<uInt>(n);
  while (s.avail_in > 0) {
    int status = ::deflate(&s, Z_NO_FLUSH);
    m_lastStatus = status;
    if (status != Z_OK && status != Z_BUF_ERROR) throw PackageException(kPkgErrCompressing);
    if (s.avail_out == 0) {
      writeOutput(m_buffer.data(), m_buffer.size());
      s.next_out = m_buffer.data();
      s.avail_out = static_cast<uInt>(m_buffer.size());
    }
  }
  return n;
}

void ZipPkgStreamData::close() {
  if (!m_open) return;
  m_open = false;
  if (!m_z) return;
  // The zlib stream is ended whatever happens below.
  std::unique_ptr<ZStream> z = std::move(m_z);
  int result = Z_OK;
  // An empty entry is left without data, and its records then call it
  // stored; on a target that cannot seek, the header written before the data
  // says deflate for good, so the entry gets a valid empty deflate stream.
  if (!z->inflating && (m_tookInput || !m_seekable)) {
    z_stream& s = z->s;
    for (;;) {
      int status = ::deflate(&s, Z_FINISH);
      m_lastStatus = status;
      if (status != Z_OK && status != Z_STREAM_END) {
        result = status;
        break;
      }
      if (s.avail_out == 0 || status == Z_STREAM_END) {
        writeOutput(m_buffer.data(), m_buffer.size() - s.avail_out);
        s.next_out = m_buffer.data();
        s.avail_out = static_cast<uInt>(m_buffer.size());
      }
      if (status == Z_STREAM_END) break;
    }
  }
  int ended = z->end();
  if (ended == Z_DATA_ERROR && !z->inflating && !m_tookInput && m_seekable) ended = Z_OK;
  if (result == Z_OK) result = ended;
  if (result != Z_OK) throw PackageException(kPkgErrClosingFile);
}

}  // namespace pkg::zip
