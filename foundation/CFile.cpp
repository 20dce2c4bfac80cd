#include "foundation/CFile.h"

#include <limits>
#include <optional>
#include <string>

#include "foundation/CZorbOSFileHelpers.h"
#include "foundation/FSRefCache.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/Fork.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "platform/widechar/WideChar.h"

namespace {

constexpr uint32_t kCreatorTtxt = platform::fourCC("ttxt");

// Splits a colon path into the POSIX paths of its folder and its last name.
bool SplitPath(const char16_t* path, std::string& folder, std::string& name) {
  const auto posix = platform::colonToPosix(std::u16string_view(path, platform::wcslen(path)));
  if (!posix) return false;
  std::string p = *posix;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos || slash + 1 >= p.size()) return false;
  folder = slash == 0 ? std::string("/") : p.substr(0, slash);
  name = p.substr(slash + 1);
  return true;
}

}  // namespace

CFile::CFile() : m_creator(kCreatorTtxt), m_type(platform::kTextFileType) {}

CFile::~CFile() {
  Close();
}

bool CFile::Open(const char16_t* path, unsigned int flags, bool raw) {
  if (!path || m_fileBuffer) return false;
  std::string folderPath, posixName;
  if (!SplitPath(path, folderPath, posixName)) return false;

  // A new file gets at most the first 255 units of the name.
  platform::HFSUniStr255 hfsName;
  std::string newName;
  if (!platform::posixNameToHfs(posixName, hfsName) || !platform::hfsNameToPosix(hfsName, newName))
    return false;

  platform::FSRef folder;
  platform::FSRef file;
  if (flags == 0) {
    // Reading needs no reference to the folder: the whole path is looked up
    // at once, every name on the way as the folder's own look-up finds it.
    const CString colon(path);
    const bool plain = colon.GetLength() > 0 && colon.GetAt(colon.GetLength() - 1) != u':';
    if (!(plain ? GetFSRefCached(colon, file)
                : GetFSRefCached(platform::joinPath(folderPath, posixName), file)))
      return false;
  } else if (!GetFSRefCached(folderPath, folder)) {
    return false;
  }
  const bool exists =
      flags == 0 || GetFSRefCached(platform::joinPath(folder.path, posixName), file);

  if (flags & kCreate) {
    if (exists && platform::deleteObject(file) != platform::noErr) return false;
    uint8_t info[platform::kFinderInfoSize] = {};
    platform::setFinderInfoType(info, m_type);
    platform::setFinderInfoCreator(info, m_creator);
    if (platform::createFile(folder, newName, info, file) != platform::noErr) return false;
  }

  const bool write = (flags & kAccessMask) == kWriteAccess;
  platform::HFSUniStr255 forkName;
  if (GetForkName(forkName) != platform::noErr) return false;
  try {
    m_fileBuffer = new CMacFileBuffer(file, forkName, write, raw);
  } catch (...) {
    m_fileBuffer = nullptr;
    return false;
  }
  return true;
}

void CFile::Close() {
  delete m_fileBuffer;
  m_fileBuffer = nullptr;
}

void CFile::Remove(const char16_t* path) {
  if (!path) return;
  platform::FSRef ref;
  if (!GetFSRefCached(CString(path), ref)) return;
  if (const int32_t status = platform::deleteObject(ref)) {
    CString message;
    message.Format(u"Removing %ls failed : %d", path, status);
    zorbos::LogDebug(message, __FILE__, __LINE__);
  }
}

int CFile::Write(const void* buf, unsigned int n) {
  if (n == 0) return 0;
  if (!m_fileBuffer) return platform::rfNumErr;
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    const int32_t chunk =
        static_cast<int32_t>(n > static_cast<unsigned int>(std::numeric_limits<int32_t>::max())
                                 ? std::numeric_limits<int32_t>::max()
                                 : n);
    if (int32_t status = m_fileBuffer->Write(p, chunk)) return status;
    p += chunk;
    n -= static_cast<unsigned int>(chunk);
  }
  return 0;
}

unsigned int CFile::Read(void* buf, unsigned int n) {
  if (n == 0 || !m_fileBuffer) return 0;
  char* p = static_cast<char*>(buf);
  unsigned int total = 0;
  while (n > 0) {
    const int32_t chunk =
        static_cast<int32_t>(n > static_cast<unsigned int>(std::numeric_limits<int32_t>::max())
                                 ? std::numeric_limits<int32_t>::max()
                                 : n);
    int32_t got = 0;
    const int32_t status = m_fileBuffer->Read(p + total, chunk, &got);
    if (got < 0) got = 0;
    total += static_cast<unsigned int>(got);
    n -= static_cast<unsigned int>(got);
    if (status != platform::noErr || got < chunk) break;
  }
  return total;
}

int64_t CFile::GetPosition() const {
  int64_t pos = 0;
  if (!m_fileBuffer || m_fileBuffer->GetPosition(pos) != platform::noErr) return 0;
  return pos;
}

int64_t CFile::GetLength() const {
  int64_t size = 0;
  if (!m_fileBuffer || m_fileBuffer->GetEof(size) != platform::noErr) return 0;
  return size;
}

int32_t CFile::GetForkName(platform::HFSUniStr255& name) {
  name = platform::dataForkName();
  return platform::noErr;
}

int64_t CFile::Seek(int64_t offset, unsigned int origin) {
  if (!m_fileBuffer) return 0;
  int64_t base = 0;
  int32_t status = platform::noErr;
  if (origin == kFromEnd)
    status = m_fileBuffer->GetEof(base);
  else if (origin == kFromCurrent)
    status = m_fileBuffer->GetPosition(base);
  // Without its base, or before the start, the position stays where it is;
  // the caller sees that in the result.
  if (status == platform::noErr) (void)m_fileBuffer->SetPosition(base + offset);
  return GetPosition();
}
