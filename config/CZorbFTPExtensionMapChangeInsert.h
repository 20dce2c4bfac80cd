#pragma once

#include <cstdint>

#include "config/CZorbFTPExtensionMapChange.h"
#include "foundation/CString.h"

// "ftp-extension-insert": puts the extension's line where the sorted order
// wants it, replacing a line the extension had.
class CZorbFTPExtensionMapChangeInsert : public CZorbFTPExtensionMapChange {
 public:
  CZorbFTPExtensionMapChangeInsert();
  ~CZorbFTPExtensionMapChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0; 28 without a text file, 22 without an extension.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the extension's line.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_extension;
  // Transferred as text when not 0, else as binary.
  int32_t m_ascii = 0;
  CString m_macCreator{u"????"};
  CString m_macFileType{u"????"};
};
