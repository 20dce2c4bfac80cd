#include "transaction/CInstallCreateFolder.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallCreateFolder::CInstallCreateFolder(const char16_t* path) : m_path(path) {}

CInstallCreateFolder::~CInstallCreateFolder() = default;

int CInstallCreateFolder::Do() {
  if (!m_checked) {
    const CString folder = WithoutColon(m_path);
    if (folder.GetLength() > 0 && KindOf(folder) == Kind::kNothing) {
      m_created.push_back(folder);
      for (const CString& parent : MissingFolders(folder)) m_created.push_back(parent);
    }
    m_checked = true;
  }
  return CZorbOS::CreateDirectory(m_path.Get(), true) ? 0 : -1;
}

int CInstallCreateFolder::Undo() {
  while (!m_created.empty()) {
    const CString& folder = m_created.front();
    if (KindOf(folder) == Kind::kFolder && !CZorbOS::RemoveDirectory(folder)) return -1;
    m_created.erase(m_created.begin());
  }
  return 0;
}
