#pragma once

#include <cstdint>

#include "foundation/IFile.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"

// Chooses the stream for an open fork and forwards to it: every write and
// every named fork is buffered; a data fork read raw when asked, else mapped.
class CMacFileBuffer {
 public:
  // Lets the stream's exception (the status) pass.
  CMacFileBuffer(const platform::FSRef& file, const platform::HFSUniStr255& forkName, bool write,
                 bool raw);
  virtual ~CMacFileBuffer();
  CMacFileBuffer(const CMacFileBuffer&) = delete;
  CMacFileBuffer& operator=(const CMacFileBuffer&) = delete;

  [[nodiscard]] int32_t Read(void* buf, int32_t n, int32_t* got) {
    return m_file->Read(buf, n, got);
  }
  [[nodiscard]] int32_t Write(const void* buf, int32_t n) { return m_file->Write(buf, n); }
  [[nodiscard]] int32_t Flush() { return m_file->Flush(); }
  [[nodiscard]] int32_t SetPosition(int64_t pos) { return m_file->SetPosition(pos); }
  [[nodiscard]] int32_t GetPosition(int64_t& pos) const { return m_file->GetPosition(pos); }
  [[nodiscard]] int32_t SetEof(int64_t size) { return m_file->SetEof(size); }
  [[nodiscard]] int32_t GetEof(int64_t& size) const { return m_file->GetEof(size); }
  [[nodiscard]] int32_t AdvanceBy(int32_t delta) { return m_file->AdvanceBy(delta); }

  // The chosen stream, for callers that need to know which it is.
  const IFile* GetStream() const { return m_file; }

 private:
  IFile* m_file = nullptr;
};
