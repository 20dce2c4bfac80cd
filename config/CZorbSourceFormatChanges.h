#pragma once

#include "config/CZorbConfigChanges.h"

// The changes of the source format ("SourceFormat.txt").
class CZorbSourceFormatChanges : public CZorbConfigChanges {
 public:
  CZorbSourceFormatChanges();
  CZorbSourceFormatChanges(const CZorbSourceFormatChanges& other);
  ~CZorbSourceFormatChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbTextConfigFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
};
