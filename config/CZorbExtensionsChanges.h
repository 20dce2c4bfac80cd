#pragma once

#include "config/CZorbConfigChanges.h"

// The changes of the file-extension list ("Extensions.txt").
class CZorbExtensionsChanges : public CZorbConfigChanges {
 public:
  CZorbExtensionsChanges();
  CZorbExtensionsChanges(const CZorbExtensionsChanges& other);
  ~CZorbExtensionsChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbTextConfigFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
