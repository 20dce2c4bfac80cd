#pragma once

#include "config/CZorbConfigChanges.h"

// The insert bar's changes ("insertbar.xml").
class CZorbInsertbarConfigChanges : public CZorbConfigChanges {
 public:
  CZorbInsertbarConfigChanges();
  CZorbInsertbarConfigChanges(const CZorbInsertbarConfigChanges& other);
  ~CZorbInsertbarConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbGenericXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
