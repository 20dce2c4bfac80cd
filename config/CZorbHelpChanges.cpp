#include "config/CZorbHelpChanges.h"

CZorbHelpChanges::CZorbHelpChanges() = default;

CZorbHelpChanges::~CZorbHelpChanges() = default;

bool CZorbHelpChanges::UseReferenceFile() const {
  return false;
}

void CZorbHelpChanges::GetPath(CString& path) const {
  CString folder;
  GetFolder(folder);
  CString name;
  GetFileName(name);
  path = folder;
  if (folder.GetLength() > 0) path += u':';
  path += name;
}
