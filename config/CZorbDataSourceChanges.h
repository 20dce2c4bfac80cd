#pragma once

#include "config/CZorbServerConfigChanges.h"

// A server model's data-source changes ("DataSources.xml").
class CZorbDataSourceChanges : public CZorbServerConfigChanges {
 public:
  CZorbDataSourceChanges();
  CZorbDataSourceChanges(const CZorbDataSourceChanges& other);
  ~CZorbDataSourceChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbMenusXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
};
