#pragma once

#include "config/CZorbTagLibraryChange.h"

// "taglibrary-insert": its "taglibrary" children are added to the registry; one
// whose id the registry has already overwrites that entry in place.
class CZorbTagLibraryChangeInsert : public CZorbTagLibraryChange {
 public:
  CZorbTagLibraryChangeInsert();
  ~CZorbTagLibraryChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when an entry was handled; 30 without one, without a file or a root.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the entries with the ids of the change's entries. Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
