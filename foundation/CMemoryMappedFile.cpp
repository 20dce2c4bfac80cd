#include "foundation/CMemoryMappedFile.h"

#include <cstring>

#include "platform/os/MacStatus.h"

CMemoryMappedFile::CMemoryMappedFile(const platform::FSRef& file, bool) {
  const int32_t status = file.isNull() ? platform::fnfErr : m_file.open(file.path);
  if (status != platform::noErr) throw status;
  m_size = m_file.size();
  m_base = m_file.data();
}

CMemoryMappedFile::~CMemoryMappedFile() = default;

int32_t CMemoryMappedFile::Read(void* buf, int32_t n, int32_t* got) {
  if (n < 1) return platform::noErr;
  if (m_position < 0) return platform::posErr;
  if (!m_base || m_position >= m_size) return platform::eofErr;
  const int64_t left = m_size - m_position;
  const int64_t count = n < left ? n : left;
  std::memcpy(buf, m_base + m_position, static_cast<size_t>(count));
  if (got) *got = static_cast<int32_t>(count);
  m_position += count;
  return platform::noErr;
}

int32_t CMemoryMappedFile::Write(const void*, int32_t) {
  return platform::eofErr;
}

int32_t CMemoryMappedFile::Flush() {
  return platform::noErr;
}

int32_t CMemoryMappedFile::SetPosition(int64_t pos) {
  m_position = pos;
  return platform::noErr;
}

int32_t CMemoryMappedFile::GetPosition(int64_t& pos) const {
  pos = m_position;
  return platform::noErr;
}

int32_t CMemoryMappedFile::SetEof(int64_t) {
  return platform::paramErr;
}

int32_t CMemoryMappedFile::GetEof(int64_t& size) const {
  size = m_size;
  return platform::noErr;
}

int32_t CMemoryMappedFile::AdvanceBy(int32_t delta) {
  m_position += delta;
  return platform::noErr;
}
