#pragma once

#include "config/CZorbTagLibraryChange.h"
#include "foundation/CString.h"

// "taglibrary-remove": removes the entry with the id.
class CZorbTagLibraryChangeRemove : public CZorbTagLibraryChange {
 public:
  CZorbTagLibraryChangeRemove();
  ~CZorbTagLibraryChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when removed; 30 when there was nothing to remove.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_id;
};
