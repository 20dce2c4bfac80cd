#pragma once

#include <memory>

#include "foundation/IFile.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"

// Passes every call straight to the open fork: for callers that read a file
// once from front to back in their own chunks.
class CRawFile : public IFile {
 public:
  // Throws the status when the fork cannot be opened.
  CRawFile(const platform::FSRef& file, const platform::HFSUniStr255& forkName, bool write);
  ~CRawFile() override;

  [[nodiscard]] int32_t Read(void* buf, int32_t n, int32_t* got) override;
  [[nodiscard]] int32_t Write(const void* buf, int32_t n) override;
  [[nodiscard]] int32_t Flush() override;
  [[nodiscard]] int32_t SetPosition(int64_t pos) override;
  [[nodiscard]] int32_t GetPosition(int64_t& pos) const override;
  [[nodiscard]] int32_t SetEof(int64_t size) override;
  [[nodiscard]] int32_t GetEof(int64_t& size) const override;
  [[nodiscard]] int32_t AdvanceBy(int32_t delta) override;

 private:
  std::unique_ptr<platform::Fork> m_fork;
};
