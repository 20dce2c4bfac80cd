#pragma once

#include "config/CZorbConfigChanges.h"

// A change set for a file that each server model keeps in its own folder:
// its path is folder ":" server-model folder ":" file name.
class CZorbServerConfigChanges : public CZorbConfigChanges {
 public:
  CZorbServerConfigChanges();
  CZorbServerConfigChanges(const CZorbServerConfigChanges& other);
  ~CZorbServerConfigChanges() override;

  void GetPath(CString& path) const override;
  // The start tag carries servermodelfolder when it is set; the children
  // follow on their own lines.
  void BuildXml(int level, CString& out) const override;
  virtual void SetServerModelFolder(const char16_t* folder);

  CString m_serverModelFolder;
};
