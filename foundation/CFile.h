#pragma once

#include <cstdint>

#include "foundation/CMacFileBuffer.h"
#include "platform/os/FileRef.h"

// The program's file object: one fork of a file named by a colon path
// ("Disk:Users:ann:file.txt"), opened for reading, writing, or as a newly
// created file. Failures are reported, never thrown.
class CFile {
 public:
  // Open flags: the access in the low bits, and creation.
  static constexpr unsigned int kAccessMask = 3;
  static constexpr unsigned int kWriteAccess = 1;
  static constexpr unsigned int kCreate = 0x1000;
  // Seek origins.
  static constexpr unsigned int kFromStart = 1;
  static constexpr unsigned int kFromEnd = 2;
  static constexpr unsigned int kFromCurrent = 3;

  CFile();
  // Closes the file when it is still open.
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // flags & 3 == 1: write access (else read); flags & 0x1000: an existing
  // file is deleted and a new empty one (with m_type and m_creator) made
  // first. The data fork for reading is mapped, or read raw when asked.
  [[nodiscard]] virtual bool Open(const char16_t* path, unsigned int flags, bool raw = false);
  virtual void Close();
  // Deletes the file at the path (with its resource fork); reports nothing.
  virtual void Remove(const char16_t* path);
  // 0 when the bytes were taken, else a negative status.
  [[nodiscard]] virtual int Write(const void* buf, unsigned int n);
  // The bytes delivered: fewer than n at the end of the fork or on failure.
  [[nodiscard]] virtual unsigned int Read(void* buf, unsigned int n);
  virtual int64_t GetPosition() const;
  // The fork's length; the position does not move.
  virtual int64_t GetLength() const;
  [[nodiscard]] virtual int32_t GetForkName(platform::HFSUniStr255& name);

  // Moves to origin + offset and returns the position the stream reports.
  // The position afterwards: where it was when the new one cannot be taken.
  int64_t Seek(int64_t offset, unsigned int origin);
  int64_t SeekToBegin() { return Seek(0, kFromStart); }
  int64_t SeekToEnd() { return Seek(0, kFromEnd); }

  bool IsOpen() const { return m_fileBuffer != nullptr; }

  CMacFileBuffer* m_fileBuffer = nullptr;
  // Finder creator and type of a file that Open creates.
  uint32_t m_creator;
  uint32_t m_type;
};
