#include "pkg/PkgTempFile.h"

#include "pkg/PackageException.h"

namespace pkg {

PkgTempFile::PkgTempFile(IPkgFileSystem* fileSystem) : m_fileSystem(fileSystem) {}

PkgTempFile::~PkgTempFile() {
  try {
    remove();
  } catch (...) {
    // Nothing may leave a destructor.
  }
}

void PkgTempFile::create() {
  if (m_name) throw PackageException(kPkgErrIllegalState);
  if (!m_fileSystem) throw PackageException(kPkgErrIllegalState);
  m_file = m_fileSystem->createTempFile();
  m_name = m_file->getFileName();
}

std::shared_ptr<IPkgFSFile> PkgTempFile::getTempFSFilePtr() {
  if (m_name && !m_file) {
    m_file = m_fileSystem->reopenTempFileByName(m_name, std::ios_base::in | std::ios_base::out);
  }
  return m_file;
}

void PkgTempFile::close() {
  if (!m_file) return;
  std::shared_ptr<IPkgFSFile> file = std::move(m_file);
  file->close();
}

void PkgTempFile::remove() {
  if (!m_name) return;
  std::shared_ptr<IPkgFSFileName> name = std::move(m_name);
  std::shared_ptr<IPkgFSFile> file = std::move(m_file);
  try {
    if (file) file->close();
  } catch (...) {
    m_fileSystem->deleteTempFileByName(name);
    throw;
  }
  m_fileSystem->deleteTempFileByName(name);
}

}  // namespace pkg
