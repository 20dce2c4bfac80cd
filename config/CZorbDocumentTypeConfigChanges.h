#pragma once

#include "config/CZorbConfigChanges.h"

// The document types' changes ("QQDocumentTypes.xml").
class CZorbDocumentTypeConfigChanges : public CZorbConfigChanges {
 public:
  CZorbDocumentTypeConfigChanges();
  CZorbDocumentTypeConfigChanges(const CZorbDocumentTypeConfigChanges& other);
  ~CZorbDocumentTypeConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbGenericXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
};
