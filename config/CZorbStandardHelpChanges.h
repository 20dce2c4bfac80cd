#pragma once

#include "config/CZorbHelpChanges.h"

// Help changes without a file of their own.
class CZorbStandardHelpChanges : public CZorbHelpChanges {
 public:
  CZorbStandardHelpChanges();
  CZorbStandardHelpChanges(const CZorbStandardHelpChanges& other);
  ~CZorbStandardHelpChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A new, empty generic XML file.
  CZorbXmlFile* CreateHelpFile() const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
