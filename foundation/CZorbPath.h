#pragma once

#include "foundation/CZorbString.h"

// The longest path the program handles, in UTF-16 units (fixed buffers hold
// this plus the terminator).
constexpr int32_t kZorbMaxPath = 2048;

// A colon path: volume name, then folders, then the file, separated by ":";
// a folder path usually ends in ":". The extension is the text after the
// last "." that comes after the last ":". Every operation works on any text.
class CZorbPath : public CZorbString {
 public:
  using CZorbString::CZorbString;
  using CZorbString::operator=;
  CZorbPath() = default;
  CZorbPath(const CString& other) : CZorbString(other) {}
  CZorbPath(const CZorbPath& other) = default;
  CZorbPath& operator=(const CZorbPath& other) = default;
  ~CZorbPath() override;

  // After the last ":"; the whole path without one.
  CString GetFileName() const;
  // After the last "." when it follows the last ":"; else empty.
  CString GetExtension() const;
  // Up to and including the last ":"; the whole path without one.
  CString GetFolder() const;
  // The parts of _splitpath, the extension without its ".".
  void Split(CString& drive, CString& dir, CString& name, CString& ext) const;

  // Adds part as a new last component (one ":" between).
  void Append(const char16_t* part);
  // Keeps the file name, puts it in folder.
  void SetFolder(const char16_t* folder);
  // Replaces the extension; null or empty removes it.
  void SetExtension(const char16_t* ext);
  // Replaces the file name, keeping the old extension when name has none.
  void SetFileName(const char16_t* name);
  void TerminateWithSeparator();
  // "/", "\" and the yen sign become ":".
  void LocalizePathSeparators();
};

// Splits a colon path into the volume ("Disk"), the folders (":Users:me:"),
// the name ("file") and the extension (".txt"). Every output may be null and
// is set to empty first; each is cut to kZorbMaxPath units, so a buffer of
// kZorbMaxPath + 1 units always suffices.
void _splitpath(const char16_t* path, char16_t* drive, char16_t* dir, char16_t* fname,
                char16_t* ext);
