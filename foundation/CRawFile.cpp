#include "foundation/CRawFile.h"

#include "platform/os/MacStatus.h"

CRawFile::CRawFile(const platform::FSRef& file, const platform::HFSUniStr255& forkName,
                   bool write) {
  if (int32_t status = platform::Fork::open(file, forkName, write, m_fork)) throw status;
}

CRawFile::~CRawFile() = default;

int32_t CRawFile::Read(void* buf, int32_t n, int32_t* got) {
  if (n < 0) return platform::paramErr;
  uint32_t count = 0;
  const int32_t status = m_fork->read(buf, static_cast<uint32_t>(n), count);
  if (got) *got = static_cast<int32_t>(count);
  return status;
}

int32_t CRawFile::Write(const void* buf, int32_t n) {
  if (n < 0) return platform::paramErr;
  return m_fork->write(buf, static_cast<uint32_t>(n));
}

int32_t CRawFile::Flush() {
  return m_fork->flush();
}

int32_t CRawFile::SetPosition(int64_t pos) {
  return m_fork->setPosition(pos);
}

int32_t CRawFile::GetPosition(int64_t& pos) const {
  pos = m_fork->position();
  return platform::noErr;
}

int32_t CRawFile::SetEof(int64_t size) {
  return m_fork->setSize(size);
}

int32_t CRawFile::GetEof(int64_t& size) const {
  const int32_t status = m_fork->getSize(size);
  if (status) size = 0;
  return status;
}

int32_t CRawFile::AdvanceBy(int32_t delta) {
  return m_fork->movePosition(delta);
}
