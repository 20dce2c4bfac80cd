#pragma once

#include "config/CZorbServerConfigChanges.h"

// A server model's server-format changes ("ServerFormats.xml").
class CZorbServerFormatChanges : public CZorbServerConfigChanges {
 public:
  CZorbServerFormatChanges();
  CZorbServerFormatChanges(const CZorbServerFormatChanges& other);
  ~CZorbServerFormatChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbMenusXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
};
