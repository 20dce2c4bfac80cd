#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The "files" element: the description's file entries (CZorbExtensionFile)
// as its children, in document order, and the defaults the entries take.
class CZorbExtensionFiles : public CZorbXmlObject {
 public:
  CZorbExtensionFiles();
  CZorbExtensionFiles(const CZorbExtensionFiles& other);
  // Deep: the entries are cloned.
  CZorbExtensionFiles& operator=(const CZorbExtensionFiles& other);
  ~CZorbExtensionFiles() override;

  CZorbExtensionFiles* Clone() const override;
  void GetTag(CString& tag) const override;

  // Marks the default type as given, then sets it from text as
  // CZorbExtensionFile::SetFileType does (message 4194 for the attribute
  // "default-file-type").
  bool SetDefaultType(const CString& text, CString& message);

  // xml:lang of the files element being read.
  CString m_language;
  int32_t m_defaultFileType = 0;
  bool m_defaultTypeGiven = false;
};
