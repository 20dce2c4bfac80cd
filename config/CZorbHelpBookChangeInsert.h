#pragma once

#include "config/CZorbHelpBookChange.h"

// "helpbook-insert": its "book-id" children are added to the help books;
// one whose id is there already overwrites that entry in place.
class CZorbHelpBookChangeInsert : public CZorbHelpBookChange {
 public:
  CZorbHelpBookChangeInsert();
  ~CZorbHelpBookChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when an entry was handled; else 5.
  ErrorCode MakeChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the entries with the ids of the change's entries. Always 0.
  ErrorCode UndoChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
