#pragma once

#include "config/CZorbServerConfigChanges.h"

// A server model's format-definition changes ("Formats.xml").
class CZorbServerFormatDefinitionChanges : public CZorbServerConfigChanges {
 public:
  CZorbServerFormatDefinitionChanges();
  CZorbServerFormatDefinitionChanges(const CZorbServerFormatDefinitionChanges& other);
  ~CZorbServerFormatDefinitionChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbMenusXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
};
