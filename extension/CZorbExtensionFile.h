#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/CZorbXmlObject.h"

// One "file" entry of a description: a file (or an empty folder) of the
// package and where it goes. Codes are those of extension/ExtensionXml.h.
class CZorbExtensionFile : public CZorbXmlObject {
 public:
  CZorbExtensionFile();
  CZorbExtensionFile(const CZorbExtensionFile& other);
  CZorbExtensionFile& operator=(const CZorbExtensionFile& other);
  ~CZorbExtensionFile() override;

  CZorbExtensionFile* Clone() const override;
  void GetTag(CString& tag) const override;
  // One element line; the file type is left out when it is 0 or implied.
  void BuildXml(int level, CString& out) const override;

  // Sets the file-type code from text ("wbxs", "ordinary", "plugin",
  // ignoring case). Any other text sets -1, leaves message 4194 in message
  // and returns false.
  bool SetFileType(const CString& text, CString& message);
  // The Windows extension, only for an entry without a platform.
  CString GetWinExtension() const;

  CString m_source;
  CString m_destination;
  int32_t m_shared = 0;
  int32_t m_platform = 0;
  int32_t m_fileType = 0;
  bool m_systemFile = false;
  CString m_actualPath;
  CString m_winExtension;
  int32_t m_isEmptyFolder = 0;
  CString m_folder;
  CString m_language;
  bool m_isResourceFile = false;
  // The reader gave the type (a WBXS extension's files), so it is not written.
  bool m_typeImplied = false;
  CZorbVersionNumber m_minVersion;
  CZorbVersionNumber m_maxVersion;
  CString m_wbxsId;
  CString m_wbxsVersion;
};
