#pragma once

#include <cstdint>

// A byte stream over one fork of one file, addressed by 64-bit positions.
// Every operation returns 0 or a negative status; only constructors of the
// implementations throw (the status, as an int32_t).
class IFile {
 public:
  virtual ~IFile() = default;

  [[nodiscard]] virtual int32_t Read(void* buf, int32_t n, int32_t* got) = 0;
  [[nodiscard]] virtual int32_t Write(const void* buf, int32_t n) = 0;
  [[nodiscard]] virtual int32_t Flush() = 0;
  [[nodiscard]] virtual int32_t SetPosition(int64_t pos) = 0;
  [[nodiscard]] virtual int32_t GetPosition(int64_t& pos) const = 0;
  [[nodiscard]] virtual int32_t SetEof(int64_t size) = 0;
  [[nodiscard]] virtual int32_t GetEof(int64_t& size) const = 0;
  [[nodiscard]] virtual int32_t AdvanceBy(int32_t delta) = 0;
};
