#include "products/CInstallNewConfigFile.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallNewConfigFile::CInstallNewConfigFile(const char16_t* file) : m_file(file) {}

CInstallNewConfigFile::~CInstallNewConfigFile() = default;

int CInstallNewConfigFile::Do() {
  if (m_done) return 0;
  // An item already there is not ours to remove on undo.
  if (ItemExists(m_file)) {
    LogStepError(u"A new configuration file would replace ", m_file, __FILE__, __LINE__);
    return -1;
  }
  m_createdFolders = MissingFolders(m_file);
  const CString folder = FolderOf(m_file);
  if (folder.GetLength() == 0 || !CZorbOS::EnsureDirectoryExists(folder)) {
    RemoveCreatedFolders(m_createdFolders);
    m_createdFolders.clear();
    return -1;
  }
  m_done = true;
  return 0;
}

int CInstallNewConfigFile::Undo() {
  if (!m_done) return 0;
  if (!DiscardFile(m_file)) return -1;
  RemoveCreatedFolders(m_createdFolders);
  m_done = false;
  return 0;
}
