#include "package/CZorbPackage.h"

#include <atomic>

namespace {

std::atomic<uint64_t> sMaxExpandedBytes{CZorbPackage::kDefaultUnpackLimits.maxExpandedBytes};
std::atomic<uint32_t> sMaxEntries{CZorbPackage::kDefaultUnpackLimits.maxEntries};

// Copies text into a buffer of kMaxPath + 1 units; null or too long leaves
// it empty.
void CopyPath(char16_t* out, const char16_t* text) {
  out[0] = 0;
  if (!text) return;
  int32_t n = 0;
  while (text[n] && n <= CZorbPackage::kMaxPath) ++n;
  if (n > CZorbPackage::kMaxPath) return;
  for (int32_t i = 0; i < n; ++i) out[i] = text[i];
  out[n] = 0;
}

}  // namespace

CZorbPackage::UnpackLimits CZorbPackage::GetUnpackLimits() {
  return {sMaxExpandedBytes.load(), sMaxEntries.load()};
}

void CZorbPackage::SetUnpackLimits(const UnpackLimits& limits) {
  sMaxExpandedBytes = limits.maxExpandedBytes;
  sMaxEntries = limits.maxEntries;
}

CZorbPackage::CZorbPackage() : m_fileNameEncoding(0) {
  m_fileName[0] = 0;
  m_relativeRoot[0] = 0;
}

CZorbPackage::~CZorbPackage() = default;

void CZorbPackage::SetFileName(const char16_t* fileName) {
  CopyPath(m_fileName, fileName);
}

void CZorbPackage::GetFileName(char16_t* out) const {
  if (!out) return;
  int32_t i = 0;
  for (; m_fileName[i]; ++i) out[i] = m_fileName[i];
  out[i] = 0;
}

void CZorbPackage::SetRelativeRoot(const char16_t* root) {
  CopyPath(m_relativeRoot, root);
}

void CZorbPackage::SetVersion(uint32_t version) {
  m_version = version;
}

uint32_t CZorbPackage::GetVersion() const {
  return m_version;
}

void CZorbPackage::SetCompression(uint32_t compression) {
  m_compression = compression;
}

void CZorbPackage::SetFileNameEncoding(uint32_t encoding) {
  m_fileNameEncoding = encoding;
}

uint32_t CZorbPackage::GetFileNameEncoding() const {
  return m_fileNameEncoding;
}

int CZorbPackage::PackComplete() {
  return 0;
}

void CZorbPackage::setPXStorePath(const char16_t*) {}

uint32_t CZorbPackage::GetCreator() const {
  return m_creator;
}

void CZorbPackage::SetCreator(uint32_t creator) {
  m_creator = creator;
}

void CZorbPackage::getPathFromFileWithNoExtensionName(const CString& path, CString& out) {
  const int32_t dot = path.ReverseFind(u'.');
  if (dot < 0 || dot < path.ReverseFind(u':')) return;
  out = path.Left(dot);
}

bool CZorbPackage::IsSafeRelativeName(const CString& name) {
  const int32_t length = name.GetLength();
  if (length == 0) return false;
  int32_t start = 0;
  for (int32_t i = 0; i <= length; ++i) {
    const char16_t ch = i < length ? name.GetAt(i) : u':';
    if (i < length && ch == 0) return false;
    if (ch != u':') continue;
    const int32_t n = i - start;
    if (n == 0) return false;
    if (n == 1 && name.GetAt(start) == u'.') return false;
    if (n == 2 && name.GetAt(start) == u'.' && name.GetAt(start + 1) == u'.') return false;
    start = i + 1;
  }
  return true;
}

bool CZorbPackage::CutRelativeRoot(const char16_t* sourcePath, CString& relativeName) const {
  const CString source(sourcePath);
  const int32_t at = source.Find(m_relativeRoot);
  if (at < 0) return false;
  relativeName = source.Mid(at + CString(m_relativeRoot).GetLength());
  return true;
}
