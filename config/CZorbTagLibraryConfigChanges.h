#pragma once

#include "config/CZorbConfigChanges.h"

// The tag libraries' changes ("TagLibraries.vtm").
class CZorbTagLibraryConfigChanges : public CZorbConfigChanges {
 public:
  CZorbTagLibraryConfigChanges();
  CZorbTagLibraryConfigChanges(const CZorbTagLibraryConfigChanges& other);
  ~CZorbTagLibraryConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbGenericXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
};
