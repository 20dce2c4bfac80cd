#include "pkg/BasePkgFileSystem.h"

#include <cassert>
#include <cstdio>

#include "pkg/BasePkgFSFile.h"
#include "pkg/BasePkgFSFileName.h"
#include "pkg/PackageException.h"
#include "platform/os/ArchiveSupport.h"

namespace pkg {

std::atomic<BasePkgFileSystem*> BasePkgFileSystem::s_instance{nullptr};
PkgMutualExclusion BasePkgFileSystem::s_mutex;

BasePkgFileSystem* BasePkgFileSystem::getInstance() {
  return guardedSingleton(s_instance, s_mutex);
}

BasePkgFileSystem::BasePkgFileSystem() {
  assert(s_instance.load() == nullptr);
  m_processId = platform::processId();
  const uint16_t negatedPid = static_cast<uint16_t>(0u - m_processId);
  m_nameCounter = negatedPid;
  // The folder is looked up when a temporary file is made, not here, so
  // that merely using the file system touches nothing on disk.
  uint16_t clock = static_cast<uint16_t>(platform::processorClock());
  uint16_t swapped = static_cast<uint16_t>(clock << 8 | clock >> 8);
  m_nameMask = static_cast<uint16_t>(swapped ^ negatedPid);
  if (m_nameMask == 0) m_nameMask = 0xFFFF;
  s_instance.store(this, std::memory_order_release);
}

BasePkgFileSystem::~BasePkgFileSystem() {
  BasePkgFileSystem* self = this;
  s_instance.compare_exchange_strong(self, nullptr);
}

std::shared_ptr<IPkgFSFile> BasePkgFileSystem::openFile(std::shared_ptr<IPkgFSFileName> name,
                                                        openmode mode) {
  return std::make_shared<BasePkgFSFile>(this, std::move(name), mode);
}

std::string BasePkgFileSystem::getTempDir() {
  std::string folder = platform::temporaryItemsFolder();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  m_tempDir = folder;
  return folder;
}

std::string BasePkgFileSystem::getTempFilePath() {
  if (m_tempDir.empty()) return std::string();
  uint16_t taken = m_nameCounter++;
  uint16_t rotated = static_cast<uint16_t>(taken >> 4 | taken << 12);
  char name[32];
  std::snprintf(name, sizeof(name), "ucf%05X%04X", m_processId,
                static_cast<unsigned>(static_cast<uint16_t>(rotated ^ m_nameMask)));
  return m_tempDir + name;
}

std::shared_ptr<IPkgFSFile> BasePkgFileSystem::createTempFile() {
  getTempDir();
  const openmode mode = std::ios_base::in | std::ios_base::out | std::ios_base::trunc;
  for (int attempt = 0; attempt < 65536; ++attempt) {
    std::string path = getTempFilePath();
    if (path.empty()) break;
    int fd = -1;
    int error = platform::createPrivateFile(path, fd);
    if (platform::isAlreadyExists(error)) continue;
    if (error) throw PackageIOException(platform::archiveErrorText(error));
    return std::make_shared<BasePkgFSFile>(this, getFSFileName(path), mode, fd);
  }
  throw PackageIOException(kPkgErrCreatingTempFile);
}

std::shared_ptr<IPkgFSFile> BasePkgFileSystem::reopenTempFileByName(
    std::shared_ptr<IPkgFSFileName> name, openmode mode) {
  return openFile(std::move(name), mode);
}

void BasePkgFileSystem::deleteTempFileByName(std::shared_ptr<IPkgFSFileName> name) {
  // The interface reports nothing: a temporary file that cannot be removed
  // stays in the library's private temporary folder.
  if (name) (void)platform::removeArchiveFile(name->getName());
}

std::shared_ptr<IPkgFSFileName> BasePkgFileSystem::getFSFileName(const std::string& name) {
  return std::make_shared<BasePkgFSFileName>(this, name);
}

}  // namespace pkg
