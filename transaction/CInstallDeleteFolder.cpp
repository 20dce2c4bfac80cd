#include "transaction/CInstallDeleteFolder.h"

CInstallDeleteFolder::CInstallDeleteFolder(const char16_t* path) : m_path(path) {}

CInstallDeleteFolder::~CInstallDeleteFolder() = default;

int CInstallDeleteFolder::Do() {
  if (m_removed) return 0;
  // Without its permissions the folder could not be made again as it was.
  if (!CZorbOS::GetPermissionsImpl(m_path, &m_permissions)) return -1;
  if (!CZorbOS::RemoveDirectory(m_path)) return -1;
  m_removed = true;
  return 0;
}

int CInstallDeleteFolder::Undo() {
  if (!m_removed) return 0;
  if (!CZorbOS::CreateDirectory(m_path, true)) return -1;
  m_removed = false;
  PermissionInfo made;
  if (!CZorbOS::GetPermissionsImpl(m_path, &made)) return -1;
  made.mode = m_permissions.mode;
  return CZorbOS::SetPermissionsImpl(m_path, &made) ? 0 : -1;
}
