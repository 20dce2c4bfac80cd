#pragma once

#include "config/CZorbFTPExtensionMapChange.h"
#include "foundation/CString.h"

// "ftp-extension-remove": removes the extension's line.
class CZorbFTPExtensionMapChangeRemove : public CZorbFTPExtensionMapChange {
 public:
  CZorbFTPExtensionMapChangeRemove();
  ~CZorbFTPExtensionMapChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0, also when there was no such line; 28 without a text file, 23
  // without an extension.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_extension;
};
