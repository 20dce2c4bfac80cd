#pragma once

#include "config/CZorbDocumentTypeChange.h"

// "documenttype-insert": its "documenttype" children are added to the registry; one
// whose id the registry has already overwrites that entry in place.
class CZorbDocumentTypeChangeInsert : public CZorbDocumentTypeChange {
 public:
  CZorbDocumentTypeChangeInsert();
  ~CZorbDocumentTypeChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when an entry was handled; 29 without one, without a file or a root.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the entries with the ids of the change's entries. Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
