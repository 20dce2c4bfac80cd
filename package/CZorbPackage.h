#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"

// An extension package, whatever its format: create one and add files to
// it, or list the names inside one and unpack it into a folder. Results are
// 0 for success and negative codes for failure (see the two formats).
class CZorbPackage {
 public:
  // Longest file name and relative root, in UTF-16 units.
  static constexpr int32_t kMaxPath = 2048;
  static constexpr uint32_t kUnknownCreator = 0x3F3F3F3F;  // '????'

  // What an unpack may produce at most, checked before anything is written.
  struct UnpackLimits {
    uint64_t maxExpandedBytes;  // sum of the unpacked files' sizes
    uint32_t maxEntries;        // files and folders
  };
  // 2 GiB, and as many entries as a zip without its 64-bit records counts.
  static constexpr uint64_t kDefaultMaxExpandedBytes = 2ull << 30;
  static constexpr uint32_t kDefaultMaxEntries = 0xFFFF;
  static constexpr UnpackLimits kDefaultUnpackLimits = {kDefaultMaxExpandedBytes,
                                                        kDefaultMaxEntries};
  static UnpackLimits GetUnpackLimits();
  // Tests lower them to reach the limits with small packages.
  static void SetUnpackLimits(const UnpackLimits& limits);

  CZorbPackage();
  virtual ~CZorbPackage();
  CZorbPackage(const CZorbPackage&) = delete;
  CZorbPackage& operator=(const CZorbPackage&) = delete;

  virtual int Create(const char16_t* fileName, int version) = 0;
  // Adds one file, stored under its path less the relative root.
  virtual int PackFile(const char16_t* sourcePath, bool withResourceFork, bool stripExtension) = 0;
  // Adds one file under an explicit stored name.
  virtual int PackFile(const char16_t* relativeName, const char16_t* sourcePath,
                       bool withResourceFork, bool stripExtension) = 0;
  virtual int UnPackFileNames(CZorbTypedVector<CString>& names) = 0;
  virtual int UnPackTo(const char16_t* folder) = 0;

  // A null name or one longer than kMaxPath units leaves the name empty.
  virtual void SetFileName(const char16_t* fileName);
  // out must hold kMaxPath + 1 units; a null out gets nothing.
  virtual void GetFileName(char16_t* out) const;
  virtual void SetRelativeRoot(const char16_t* root);
  virtual void SetVersion(uint32_t version);
  virtual uint32_t GetVersion() const;
  virtual void SetCompression(uint32_t compression);
  virtual void SetFileNameEncoding(uint32_t encoding);
  virtual uint32_t GetFileNameEncoding() const;
  // Called after the last PackFile.
  virtual int PackComplete();
  virtual void setPXStorePath(const char16_t* path);
  virtual uint32_t GetCreator() const;
  virtual void SetCreator(uint32_t creator);

  // The path without the extension of its last component; out stays as it
  // is when that component has no ".".
  void getPathFromFileWithNoExtensionName(const CString& path, CString& out);

  // Whether a stored name (":"-separated, relative) may be unpacked: no
  // empty, "." or ".." component, no NUL, not empty. Such names would leave
  // the folder they are unpacked into.
  static bool IsSafeRelativeName(const CString& name);

 protected:
  // The text after the first occurrence of the relative root in the
  // source path; false when the root does not occur.
  bool CutRelativeRoot(const char16_t* sourcePath, CString& relativeName) const;

  char16_t m_fileName[kMaxPath + 1];
  char16_t m_relativeRoot[kMaxPath + 1];
  uint32_t m_fileNameEncoding;
  uint32_t m_version = 3;
  uint32_t m_compression = 1;
  uint32_t m_creator = kUnknownCreator;
};
