#include "foundation/CZorbXmlFile.h"

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "platform/os/TextEncodings.h"

namespace {

constexpr uint32_t kCreatorTtxt = 0x74747874;  // 'ttxt'
// Doublings of the output buffer before a text is given up as unencodable.
constexpr int kEncodeAttempts = 8;

void LogSaveError(const std::string& what, const char16_t* path, int line) {
  Logger::write(
      Logger::kError,
      u"cannot save " + std::u16string(path) + u": " + std::u16string(what.begin(), what.end()),
      __FILE__, line);
}

// The POSIX path a save writes: the existing file (names matched as the file
// layer matches them), else the name inside the existing folder.
std::optional<std::string> TargetPath(const char16_t* path, bool& exists, platform::FSRef& ref) {
  exists = false;
  const std::optional<std::string> posix = platform::colonToPosix(path);
  if (!posix || posix->empty() || posix->back() == '/') return std::nullopt;
  if (platform::resolvePath(*posix, ref) == platform::noErr) {
    exists = true;
    return ref.path;
  }
  const size_t slash = posix->rfind('/');
  const std::string folder = posix->substr(0, slash + 1);
  const std::string name = posix->substr(slash + 1);
  platform::FSRef folderRef;
  if (name.empty() || platform::resolvePath(folder, folderRef) != platform::noErr)
    return std::nullopt;
  return platform::joinPath(folderRef.path, name);
}

// The text in the encoding, behind the encoding's byte-order mark when
// byteOrderMark is set.
bool Encode(const CString& text, uint32_t encoding, bool byteOrderMark, std::string& bytes) {
  using Conv = CZorbUnicodeConverter;
  unsigned char mark[4];
  const uint32_t markLength =
      byteOrderMark ? Conv::GetEncodingsByteOrderMark(mark, sizeof mark, encoding) : 0;
  bytes.assign(reinterpret_cast<const char*>(mark), markLength);
  const uint32_t length = static_cast<uint32_t>(text.GetLength());
  if (length == 0) return true;

  std::vector<char> buffer(Conv::GetMaxBufSizeToConvertToScript(encoding, length) + 1);
  for (int attempt = 0; attempt < kEncodeAttempts; ++attempt) {
    int32_t status = 0;
    uint32_t written = 0;
    Conv::ConvertUTF16ToScriptText(encoding, text.Get(), length, buffer.data(),
                                   static_cast<uint32_t>(buffer.size()), status, &written);
    if (status == platform::textstatus::kOutputBufferFull) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status == Conv::kNoConverter) return false;
    if (status != 0)
      Logger::write(Logger::kInfo,
                    "characters that text encoding " + std::to_string(encoding) +
                        " lacks were saved as substitutes",
                    __FILE__, __LINE__);
    bytes.append(buffer.data(), written);
    return true;
  }
  return false;
}

}  // namespace

CZorbXmlFile::CZorbXmlFile() : m_encoding(CZorbUnicodeConverter::GetDefaultEncoding()) {}

CZorbXmlFile::CZorbXmlFile(const CZorbXmlFile& other)
    : CZorbXmlObject(other), m_xmlDecl(other.m_xmlDecl), m_encoding(other.m_encoding) {}

CZorbXmlFile& CZorbXmlFile::operator=(const CZorbXmlFile& other) {
  if (this == &other) return *this;
  CZorbXmlObject::operator=(other);
  m_xmlDecl = other.m_xmlDecl;
  m_encoding = other.m_encoding;
  return *this;
}

CZorbXmlFile::~CZorbXmlFile() = default;

int CZorbXmlFile::Save(const char16_t* path) {
  if (!path) return -1;
  if (IsNestedDeeperThan(kMaxDepth)) return RefuseSave(path, "the tree is nested too deeply");
  CZorbString text;
  try {
    BuildXml(0, text);
  } catch (const std::exception& error) {
    return RefuseSave(path, error.what());
  }
  return DoSave(path, text);
}

int CZorbXmlFile::RefuseSave(const char16_t* path, const std::string& why) {
  LogSaveError(why, path ? path : u"", __LINE__);
  return -1;
}

int CZorbXmlFile::DoSave(const char16_t* path, const CZorbString& text) {
  return WriteDocument(path, text, m_encoding);
}

int CZorbXmlFile::WriteDocument(const char16_t* path, const CString& text, uint32_t encoding) {
  return WriteDocument(path, text, encoding, true);
}

int CZorbXmlFile::WriteDocument(const char16_t* path, const CString& text, uint32_t encoding,
                                bool byteOrderMark, int* folderSyncError) {
  if (folderSyncError) *folderSyncError = 0;
  if (!path) return -1;

  std::string bytes;
  if (!Encode(text, encoding, byteOrderMark, bytes)) {
    LogSaveError("the text encoding " + std::to_string(encoding) + " cannot be written", path,
                 __LINE__);
    return -1;
  }

  bool exists = false;
  platform::FSRef ref;
  const std::optional<std::string> target = TargetPath(path, exists, ref);
  if (!target) {
    LogSaveError("no such folder", path, __LINE__);
    return -1;
  }

  // A locked file is unlocked first, so the new one is writable; a failed
  // save locks it again.
  platform::CatalogInfo before;
  bool unlocked = false;
  if (exists && platform::getCatalogInfo(ref, before) == platform::noErr &&
      (before.nodeFlags & platform::kNodeLocked)) {
    if (platform::setLocked(ref, false) != platform::noErr) {
      LogSaveError("the file is locked", path, __LINE__);
      return -1;
    }
    unlocked = true;
  }

  platform::AtomicFileWriter writer(*target);
  int error = writer.begin();  // errno
  if (!error) error = writer.write(bytes.data(), bytes.size());
  int32_t status = platform::noErr;  // Mac status
  if (!error && !exists) {
    // A new file is a text file, as the file layer creates them.
    uint8_t info[platform::kFinderInfoSize] = {};
    platform::setFinderInfoType(info, platform::kTextFileType);
    platform::setFinderInfoCreator(info, kCreatorTtxt);
    status = platform::writeFinderInfo(writer.tempPath(), info);
  }
  if (!error && status == platform::noErr) error = writer.commit();
  if (error || status != platform::noErr) {
    writer.abandon();
    if (unlocked &&
        platform::setCatalogInfo(ref, platform::kCatPermissions, before) != platform::noErr)
      LogSaveError("the file could not be locked again", path, __LINE__);
    LogSaveError(error ? "writing failed (errno " + std::to_string(error) + ")"
                       : "the file type could not be set (status " + std::to_string(status) + ")",
                 path, __LINE__);
    return -1;
  }
  if (folderSyncError) *folderSyncError = writer.folderSyncError();
  return 0;
}
