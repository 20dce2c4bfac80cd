#pragma once

#include "config/CZorbExtensionsChange.h"
#include "foundation/CString.h"

// "extension-insert": adds the extension to the line with the description
// (a new line at the end when there is none), taking it out of that line
// first so that it stands there once.
class CZorbExtensionsChangeInsert : public CZorbExtensionsChange {
 public:
  CZorbExtensionsChangeInsert();
  ~CZorbExtensionsChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0; 27 without a text file, 24 without an extension, 25 without a
  // description.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the extension from the lines with the description.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_extension;
  CString m_description;
};
