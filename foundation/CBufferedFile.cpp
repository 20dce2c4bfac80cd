#include "foundation/CBufferedFile.h"

#include <algorithm>
#include <cstring>

#include "foundation/CString.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "platform/os/MacStatus.h"

CBufferedFile::CBufferedFile(const platform::FSRef& file, const platform::HFSUniStr255& forkName,
                             bool write)
    : m_buffer(new uint8_t[kBufferSize]) {
  if (int32_t status = platform::Fork::open(file, forkName, write, m_fork)) throw status;
}

CBufferedFile::~CBufferedFile() {
  // Nobody is left to tell: a writer that must know calls Flush first.
  if (const int32_t status = FlushBuffer()) {
    CString message;
    message.Format(u"Writing the end of a file failed : %d", status);
    zorbos::LogDebug(message, __FILE__, __LINE__);
  }
}

int32_t CBufferedFile::FlushBufferIfNecessary() {
  // A window read in full and then walked to its end moves on as well, so
  // that a write there does not rewrite it.
  if (!(m_validCount == kBufferSize && m_cursor == kBufferSize)) return platform::noErr;
  int32_t status = platform::noErr;
  if (m_dirty) {
    status = m_fork->setPosition(m_bufferFilePosition);
    if (status == platform::noErr) status = m_fork->write(m_buffer.get(), kBufferSize);
  }
  // Even a window that failed to write is given up, so that a caller who
  // goes on does not write it again over later data.
  ResetBuffer(m_bufferFilePosition + kBufferSize, true);
  return status;
}

int32_t CBufferedFile::FlushBuffer() {
  if (!m_dirty || m_validCount == 0) {
    m_dirty = false;
    return platform::noErr;
  }
  int32_t status = m_fork->setPosition(m_bufferFilePosition);
  if (status == platform::noErr) status = m_fork->write(m_buffer.get(), m_validCount);
  if (status == platform::noErr) m_dirty = false;
  return status;
}

void CBufferedFile::ResetBuffer(int64_t offset, bool absolute) {
  m_validCount = 0;
  m_cursor = 0;
  m_dirty = false;
  m_bufferFilePosition = absolute ? offset : m_bufferFilePosition + offset;
}

int32_t CBufferedFile::FillBuffer() {
  if (int32_t status = FlushBufferIfNecessary()) return status;
  if (m_validCount > 0 && m_cursor < m_validCount) return platform::noErr;
  // The window is used up: write it if needed, then read the next one.
  if (int32_t status = FlushBuffer()) return status;
  ResetBuffer(m_validCount, false);
  int32_t status = m_fork->setPosition(m_bufferFilePosition);
  if (status) return status;
  uint32_t got = 0;
  status = m_fork->read(m_buffer.get(), kBufferSize, got);
  m_validCount = got;
  if (status == platform::eofErr && got > 0) return platform::noErr;
  return status;
}

int32_t CBufferedFile::Read(void* buf, int32_t n, int32_t* got) {
  if (n <= 0) return platform::noErr;
  int32_t local = 0;
  if (!got) got = &local;
  int32_t status = FillBuffer();
  *got = 0;
  uint8_t* out = static_cast<uint8_t*>(buf);
  while (status == platform::noErr && n > 0) {
    const uint32_t k = std::min<uint32_t>(static_cast<uint32_t>(n), m_validCount - m_cursor);
    std::memcpy(out, m_buffer.get() + m_cursor, k);
    m_cursor += k;
    *got += static_cast<int32_t>(k);
    out += k;
    n -= static_cast<int32_t>(k);
    if (n > 0) status = FillBuffer();
  }
  return status;
}

int32_t CBufferedFile::Write(const void* buf, int32_t n) {
  if (n < 0) return platform::paramErr;
  if (int32_t status = FlushBufferIfNecessary()) return status;
  const uint8_t* in = static_cast<const uint8_t*>(buf);
  while (n > 0) {
    const uint32_t k = std::min<uint32_t>(static_cast<uint32_t>(n), kBufferSize - m_cursor);
    std::memcpy(m_buffer.get() + m_cursor, in, k);
    m_dirty = true;
    m_cursor += k;
    m_validCount = std::max(m_validCount, m_cursor);
    in += k;
    n -= static_cast<int32_t>(k);
    if (int32_t status = FlushBufferIfNecessary()) return status;
  }
  return platform::noErr;
}

int32_t CBufferedFile::Flush() {
  if (int32_t status = FlushBuffer()) return status;
  return m_fork->flush();
}

int32_t CBufferedFile::MoveWindow(int64_t pos) {
  if (pos < 0) return platform::posErr;
  // Unwritten bytes go out before the window moves, or they would be lost.
  if (int32_t status = FlushBuffer()) return status;
  const int32_t status = m_fork->setPosition(pos);
  if (status == platform::noErr) ResetBuffer(pos, true);
  return status;
}

int32_t CBufferedFile::SetPosition(int64_t pos) {
  if (pos >= m_bufferFilePosition && pos <= m_bufferFilePosition + m_validCount) {
    m_cursor = static_cast<uint32_t>(pos - m_bufferFilePosition);
    return platform::noErr;
  }
  return MoveWindow(pos);
}

int32_t CBufferedFile::GetPosition(int64_t& pos) const {
  pos = m_bufferFilePosition + m_cursor;
  return platform::noErr;
}

int32_t CBufferedFile::SetEof(int64_t size) {
  // Write out first and start a fresh window, so that no buffered byte
  // beyond the new end is read back or written later.
  if (int32_t status = FlushBuffer()) return status;
  int64_t pos = m_bufferFilePosition + m_cursor;
  const int32_t status = m_fork->setSize(size);
  if (status == platform::noErr) ResetBuffer(pos, true);
  return status;
}

int32_t CBufferedFile::GetEof(int64_t& size) const {
  int64_t forkSize = 0;
  const int32_t status = m_fork->getSize(forkSize);
  if (status) forkSize = 0;
  // Only unwritten bytes extend the fork; an empty window placed past the end
  // by a move does not.
  size = m_dirty ? std::max<int64_t>(forkSize, m_bufferFilePosition + m_validCount) : forkSize;
  return status;
}

int32_t CBufferedFile::AdvanceBy(int32_t delta) {
  if ((delta >= 0 && static_cast<uint32_t>(delta) <= m_validCount - m_cursor) ||
      (delta < 0 && static_cast<int64_t>(-static_cast<int64_t>(delta)) <= m_cursor)) {
    m_cursor = static_cast<uint32_t>(static_cast<int64_t>(m_cursor) + delta);
    return platform::noErr;
  }
  return MoveWindow(m_bufferFilePosition + m_cursor + delta);
}
