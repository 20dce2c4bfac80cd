#include "foundation/CZorbFolder.h"

#include "foundation/CZorbOS.h"

CZorbFolder::~CZorbFolder() = default;

bool CZorbFolder::IsEmpty() const {
  return CZorbOS::IsDirectoryEmpty(*this);
}

CZorbFolder CZorbFolder::GetParentFolder() const {
  CString path = *this;
  if (path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) == u':')
    path = path.Left(path.GetLength() - 1);
  const int32_t colon = path.ReverseFind(u':');
  if (colon < 0) return CZorbFolder();
  return CZorbFolder(path.Left(colon));
}

bool CZorbFolder::Create() const {
  const CZorbFolder parent = GetParentFolder();
  if (parent.GetLength() > 0 && !CZorbOS::DirectoryExists(parent) && !parent.Create()) return false;
  return CZorbOS::CreateDirectory(*this, true);
}
