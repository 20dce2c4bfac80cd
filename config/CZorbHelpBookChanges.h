#pragma once

#include "config/CZorbHelpChanges.h"

// The help books of a host, in "help.xml".
class CZorbHelpBookChanges : public CZorbHelpChanges {
 public:
  CZorbHelpBookChanges();
  CZorbHelpBookChanges(const CZorbHelpBookChanges& other);
  ~CZorbHelpBookChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A new, empty generic XML file.
  CZorbXmlFile* CreateHelpFile() const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
