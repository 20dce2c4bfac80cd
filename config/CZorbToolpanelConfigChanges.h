#pragma once

#include "config/CZorbConfigChanges.h"

// The tool-panel changes of the animation host, which reads them and
// applies them to its own tool configuration file: the set has no file
// model, folder or file name of its own.
class CZorbToolpanelConfigChanges : public CZorbConfigChanges {
 public:
  CZorbToolpanelConfigChanges();
  CZorbToolpanelConfigChanges(const CZorbToolpanelConfigChanges& other);
  ~CZorbToolpanelConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // Null: there is no file model.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  // Both leave the string unchanged.
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
