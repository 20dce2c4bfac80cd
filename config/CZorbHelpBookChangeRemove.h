#pragma once

#include "config/CZorbHelpBookChange.h"
#include "foundation/CString.h"

// "helpbook-remove": removes the help book with the id.
class CZorbHelpBookChangeRemove : public CZorbHelpBookChange {
 public:
  CZorbHelpBookChangeRemove();
  ~CZorbHelpBookChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 when removed; else 5.
  ErrorCode MakeChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  CString m_id;
};
