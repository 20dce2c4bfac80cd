#pragma once

#include <cstdint>

#include "foundation/IFile.h"
#include "platform/os/FileRef.h"
#include "platform/os/MappedFile.h"

// Reads a data fork through a read-only mapping of the whole file: reads are
// copies, positioning is arithmetic. Writing and resizing are refused.
class CMemoryMappedFile : public IFile {
 public:
  // The bool is ignored: the stream is always read-only. Throws fnfErr when
  // the file cannot be opened, and the status when it cannot be mapped.
  CMemoryMappedFile(const platform::FSRef& file, bool write);
  ~CMemoryMappedFile() override;
  CMemoryMappedFile(const CMemoryMappedFile&) = delete;
  CMemoryMappedFile& operator=(const CMemoryMappedFile&) = delete;

  [[nodiscard]] int32_t Read(void* buf, int32_t n, int32_t* got) override;
  [[nodiscard]] int32_t Write(const void* buf, int32_t n) override;
  [[nodiscard]] int32_t Flush() override;
  [[nodiscard]] int32_t SetPosition(int64_t pos) override;
  [[nodiscard]] int32_t GetPosition(int64_t& pos) const override;
  [[nodiscard]] int32_t SetEof(int64_t size) override;
  [[nodiscard]] int32_t GetEof(int64_t& size) const override;
  [[nodiscard]] int32_t AdvanceBy(int32_t delta) override;

 private:
  platform::MappedFile m_file;
  int64_t m_size = 0;
  const uint8_t* m_base = nullptr;  // null for an empty file
  // The position as an offset, so that any value can be held and checked
  // without forming a pointer outside the mapping.
  int64_t m_position = 0;
};
