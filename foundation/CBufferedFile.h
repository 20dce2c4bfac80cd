#pragma once

#include <cstdint>
#include <memory>

#include "foundation/IFile.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"

// Reads and writes a fork through one 128 KiB window. Positioning inside the
// window costs nothing; written bytes reach the fork as the window fills, at
// Flush, when the stream moves out of the window, and when it is destroyed.
// Each window is written back at its own fork position, so reads, writes and
// moves may be mixed freely without losing or misplacing a byte.
class CBufferedFile : public IFile {
 public:
  static constexpr uint32_t kBufferSize = 131072;

  // Throws the status when the fork cannot be opened.
  CBufferedFile(const platform::FSRef& file, const platform::HFSUniStr255& forkName, bool write);
  // Writes out what is still buffered (its status is lost) and closes.
  ~CBufferedFile() override;

  [[nodiscard]] int32_t Read(void* buf, int32_t n, int32_t* got) override;
  [[nodiscard]] int32_t Write(const void* buf, int32_t n) override;
  [[nodiscard]] int32_t Flush() override;
  [[nodiscard]] int32_t SetPosition(int64_t pos) override;
  [[nodiscard]] int32_t GetPosition(int64_t& pos) const override;
  [[nodiscard]] int32_t SetEof(int64_t size) override;
  [[nodiscard]] int32_t GetEof(int64_t& size) const override;
  [[nodiscard]] int32_t AdvanceBy(int32_t delta) override;

 private:
  // Writes a full window whose cursor reached its end, and moves on to the
  // next window.
  [[nodiscard]] int32_t FlushBufferIfNecessary();
  // Writes the window's bytes at its fork position if they are unwritten; the
  // window and the position stay.
  [[nodiscard]] int32_t FlushBuffer();
  // Empties the window and places it at the given fork position.
  void ResetBuffer(int64_t offset, bool absolute);
  // Makes sure unread bytes are under the cursor, reading the next window
  // when the current one is used up.
  [[nodiscard]] int32_t FillBuffer();
  // Leaves the window for a new position, writing it out first.
  [[nodiscard]] int32_t MoveWindow(int64_t pos);

  std::unique_ptr<platform::Fork> m_fork;
  uint32_t m_validCount = 0;
  uint32_t m_cursor = 0;
  int64_t m_bufferFilePosition = 0;
  bool m_dirty = false;
  std::unique_ptr<uint8_t[]> m_buffer;
};
