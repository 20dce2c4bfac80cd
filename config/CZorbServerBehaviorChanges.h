#pragma once

#include "config/CZorbServerConfigChanges.h"

// A server model's server-behaviour changes ("ServerBehaviors.xml"). An insert whose
// target is missing goes to the end of the file's first menubar or formats
// section.
class CZorbServerBehaviorChanges : public CZorbServerConfigChanges {
 public:
  CZorbServerBehaviorChanges();
  CZorbServerBehaviorChanges(const CZorbServerBehaviorChanges& other);
  ~CZorbServerBehaviorChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbMenusXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
  bool AppendIfLocationNotFound() const override;
};
