#include "transaction/CInstallCreateFolder.h"

#include "foundation/CZorbOS.h"

CInstallCreateFolder::CInstallCreateFolder(const char16_t* path) : m_path(path) {}

CInstallCreateFolder::~CInstallCreateFolder() = default;

int CInstallCreateFolder::Do() {
  return CZorbOS::CreateDirectory(m_path.Get(), true) ? 0 : -1;
}

int CInstallCreateFolder::Undo() {
  return CZorbOS::RemoveDirectory(m_path.Get()) ? 0 : -1;
}
