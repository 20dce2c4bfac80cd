#include "config/CZorbPluginConfigFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/CZorbFile.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlFile.h"
#include "foundation/EncodingDetector.h"
#include "foundation/Logger.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "platform/os/SmallFiles.h"

const char16_t* const CZorbPluginConfigFile::kPathToken = u"=Path";
const char16_t* const CZorbPluginConfigFile::kIncludeToken = u"=Include";
const char16_t* const CZorbPluginConfigFile::kExcludeToken = u"=Exclude";
const char16_t* const CZorbPluginConfigFile::kExcludeRequiredToken = u"=ExcludeRequired";
const char16_t* const CZorbPluginConfigFile::kMorePluginConfigurationToken =
    u"=MorePluginConfiguration";

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kByteOrderMark = 0xFEFF;

void LogError(const char16_t* message, const CString& path, int line) {
  Logger::write(Logger::kError, std::u16string(message) + path.Get(), __FILE__, line);
}

// A file without a mark is UTF-8 unless its bytes say otherwise; such a
// file is read in the application's encoding so that no letter is dropped.
bool HoldsUtf8(CZorbFile& file) {
  const int64_t length = file.GetLength();
  if (length <= 0) return true;
  std::vector<char> bytes(static_cast<size_t>(length));
  const uint32_t got =
      CZorbFile::FilePeekStartBytes(file, bytes.data(), static_cast<uint32_t>(bytes.size()));
  UTF8Detector detector;
  for (uint32_t i = 0; i < got; ++i)
    if (!detector.ScanByte(static_cast<unsigned char>(bytes[i]))) break;
  return detector.GetEncoding() != EncodingDetector::kNoEncoding;
}

// The last component of a path; a trailing separator is ignored.
CString LastComponent(const CString& path, bool colonOnly) {
  const bool colon = colonOnly || path.Find(u':') >= 0;
  auto isSeparator = [colon](char16_t ch) { return colon ? ch == u':' : ch == u'/'; };
  int32_t end = path.GetLength();
  while (end > 0 && isSeparator(path.GetAt(end - 1))) --end;
  int32_t start = end;
  while (start > 0 && !isSeparator(path.GetAt(start - 1))) --start;
  return path.Mid(start, end - start);
}

std::optional<std::string> PosixOf(const CString& path) {
  return platform::colonToPosix(
      std::u16string_view(path.Get(), static_cast<size_t>(path.GetLength())));
}

bool IsMissingStatus(int32_t status) {
  return status == platform::fnfErr || status == platform::dirNFErr;
}

// Only a file that is surely not there may be made anew from empty
// sections; one that could not be read may still be there.
bool IsMissing(const CString& path) {
  const std::optional<std::string> posix = PosixOf(path);
  if (!posix) return false;
  platform::FSRef ref;
  return IsMissingStatus(platform::resolvePath(*posix, ref));
}

// Replaces the file at posixPath by the bytes as one step; 0 only when the
// folder was flushed after the rename, else an errno.
int ReplaceDurably(const std::string& posixPath, const std::string& bytes) {
  platform::AtomicFileWriter writer(posixPath);
  int error = writer.begin();
  if (!error) error = writer.write(bytes.data(), bytes.size());
  if (!error) error = writer.commit();
  if (!error) error = writer.folderSyncError();
  return error;
}

CString Unquoted(const CString& text) {
  if (CZorbPluginConfigFile::isValidFilePath(text)) return text.Mid(1, text.GetLength() - 2);
  return text;
}

CString Quoted(const CString& path) {
  CString quoted(u"\"");
  quoted += path;
  quoted += kQuote;
  return quoted;
}

bool IsRelativeEntry(const CString& entry) {
  return entry.GetAt(0) == kQuote && entry.GetAt(1) == u':';
}

}  // namespace

CZorbPluginConfigFile::CZorbPluginConfigFile() = default;

CZorbPluginConfigFile::~CZorbPluginConfigFile() = default;

bool CZorbPluginConfigFile::isHeader(const CString& line) const {
  for (const char16_t* token : {kPathToken, kIncludeToken, kExcludeToken, kExcludeRequiredToken,
                                kMorePluginConfigurationToken})
    if (line == token) return true;
  return false;
}

CZorbPluginConfigFile::EntryList& CZorbPluginConfigFile::section(const CString& name) {
  return m_sections[name];
}

const CZorbPluginConfigFile::EntryList* CZorbPluginConfigFile::getEntries(
    const CString& section) const {
  const auto it = m_sections.find(section);
  return it == m_sections.end() ? nullptr : &it->second;
}

bool CZorbPluginConfigFile::load(const CString& path) {
  m_sections.clear();
  m_loadFailed = false;
  m_filePath = path;

  CZorbFile file(CZorbUnicodeConverter::kUTF8);
  if (!file.Open(path, 0)) {
    LogError(u"Can not open file under read mode, file name is ", path, __LINE__);
    // Saving the empty sections over a file that is there would lose it.
    m_loadFailed = !IsMissing(path);
    return false;
  }
  if (!file.SetEncodingFromByteOrderMark() && !HoldsUtf8(file))
    file.SetScriptCode(CZorbUnicodeConverter::GetDefaultEncoding());

  CString current;
  CString line;
  bool first = true;
  while (file.ReadString(line)) {
    // Only a real mark is dropped; a file without one keeps its first letter.
    if (first && line.GetAt(0) == kByteOrderMark) line.Delete(0, 1);
    first = false;
    if (isHeader(line)) {
      current = line;
      section(current);
    } else {
      addFilePathUnderToken(line, current, false);
    }
  }
  file.Close();
  return true;
}

bool CZorbPluginConfigFile::save() {
  return saveTo(m_filePath);
}

void CZorbPluginConfigFile::flushFilePathForToken(const CString& name, CString& out) const {
  if (name.GetLength() > 0) {
    out += name;
    out += u'\r';
  }
  if (const EntryList* entries = getEntries(name)) {
    for (const CZorbString& entry : *entries) {
      out += entry;
      out += u'\r';
    }
  }
}

bool CZorbPluginConfigFile::saveTo(const CString& path) {
  if (m_loadFailed) {
    LogError(u"Can not save a file that could not be read, file name is ", m_filePath, __LINE__);
    return false;
  }
  if (path.GetLength() == 0) {
    LogError(u"Can not open file under write mode, file name is ", path, __LINE__);
    return false;
  }
  // Without the old bytes in hand a save that cannot be made to last could
  // not be taken back: nothing is written then.
  if (!keepSafetyCopy(path)) {
    LogError(u"Can not make the safety copy, file name is ", path, __LINE__);
    LogError(u"Can not open file under write mode, file name is ", path, __LINE__);
    return false;
  }

  CString text;
  flushFilePathForToken(CString(), text);
  for (const char16_t* token : {kPathToken, kIncludeToken, kExcludeToken, kExcludeRequiredToken,
                                kMorePluginConfigurationToken})
    flushFilePathForToken(CString(token), text);

  // The new text goes to a temporary sibling that replaces the file only
  // when it is complete, so a failed write leaves the old file in place.
  int folderSyncError = 0;
  if (CZorbXmlFile::WriteDocument(path, text, CZorbUnicodeConverter::kUTF8, true,
                                  &folderSyncError) != 0) {
    LogError(u"Can not open file under write mode, file name is ", path, __LINE__);
    return false;
  }
  if (folderSyncError != 0) {
    // The host may find either file after a crash: the old one goes back.
    LogError(u"Can not flush the folder of the new file, file name is ", path, __LINE__);
    LogError(u"Can not open file under write mode, file name is ", path, __LINE__);
    if (!recoverPluginFile()) LogError(u"Can not restore the file, file name is ", path, __LINE__);
    return false;
  }
  return true;
}

bool CZorbPluginConfigFile::keepSafetyCopy(const CString& path) {
  m_haveSafetyCopy = false;
  m_safetyPath = path;
  m_safetyBytes.reset();
  const std::optional<std::string> posix = PosixOf(path);
  if (!posix) return false;
  platform::FSRef ref;
  const int32_t status = platform::resolvePath(*posix, ref);
  if (status != platform::noErr && !IsMissingStatus(status)) return false;
  if (status == platform::noErr) {
    std::string bytes;
    if (platform::readWholeFile(ref.path, bytes) != 0) return false;
    m_safetyBytes = std::move(bytes);
  }
  m_haveSafetyCopy = true;
  return true;
}

bool CZorbPluginConfigFile::backupPluginFile() {
  if (m_filePath.GetLength() == 0) return true;
  return keepSafetyCopy(m_filePath);
}

bool CZorbPluginConfigFile::recoverPluginFile() {
  if (!m_haveSafetyCopy) return false;
  const std::optional<std::string> posix = PosixOf(m_safetyPath);
  if (!posix) return false;
  platform::FSRef ref;
  const int32_t status = platform::resolvePath(*posix, ref);
  if (!m_safetyBytes) {
    // There was no file: the one the save made goes again.
    return IsMissingStatus(status) || CZorbOS::DeleteFile(m_safetyPath, true);
  }
  // The name as the save found it, which may differ from ours in case.
  return ReplaceDurably(status == platform::noErr ? ref.path : *posix, *m_safetyBytes) == 0;
}

bool CZorbPluginConfigFile::addFilePathUnderToken(const CString& entry, const CString& name,
                                                  bool atFront) {
  EntryList& entries = section(name);
  EntryList rebuilt;
  if (atFront) rebuilt.push_back(entry);
  for (const CZorbString& existing : entries)
    if (existing.CompareNoCase(entry) != 0) rebuilt.push_back(existing);
  if (!atFront) rebuilt.push_back(entry);
  entries.swap(rebuilt);
  return true;
}

bool CZorbPluginConfigFile::removeFilePathUnderToken(const CString& entry, const CString& name) {
  const auto it = m_sections.find(name);
  if (it == m_sections.end()) return true;
  it->second.remove_if(
      [&entry](const CZorbString& existing) { return existing.CompareNoCase(entry) == 0; });
  return true;
}

bool CZorbPluginConfigFile::removeFilePathsUnderToken(const EntryList& entries,
                                                      const CString& name) {
  for (const CZorbString& entry : entries)
    if (!removeFilePathUnderToken(entry, name)) return false;
  return true;
}

bool CZorbPluginConfigFile::isValidFilePath(const CString& entry) {
  const int32_t length = entry.GetLength();
  return length > 2 && entry.GetAt(0) == kQuote && entry.GetAt(length - 1) == kQuote;
}

bool CZorbPluginConfigFile::filePathExistUnderToken(const CString& path,
                                                    const CString& name) const {
  const EntryList* entries = getEntries(name);
  if (!entries) return false;
  for (const CZorbString& entry : *entries)
    if (isValidFilePath(entry) && entry.GetLength() > 4 && !IsRelativeEntry(entry) &&
        entry.CompareNoCase(path) == 0)
      return true;
  return false;
}

bool CZorbPluginConfigFile::fileRelativePathExistUnderToken(const CString& quotedPath,
                                                            const CString& name,
                                                            EntryList& matches) const {
  const EntryList* entries = getEntries(name);
  if (!entries) return false;
  const CString fileName = LastComponent(Unquoted(quotedPath), false);
  if (fileName.GetLength() == 0) return false;
  bool found = false;
  for (const CZorbString& entry : *entries) {
    if (!isValidFilePath(entry) || entry.GetLength() <= 3 || !IsRelativeEntry(entry)) continue;
    if (LastComponent(Unquoted(entry), true).CompareNoCase(fileName) == 0) {
      matches.push_back(entry);
      found = true;
    }
  }
  return found;
}

void CZorbPluginConfigFile::removeRelativeMatches(const CString& quoted, const CString& name) {
  EntryList matches;
  if (fileRelativePathExistUnderToken(quoted, name, matches))
    removeFilePathsUnderToken(matches, name);
}

bool CZorbPluginConfigFile::updateFilePathToIncludeList(const CString& path) {
  const CString quoted = Quoted(path);
  removeFilePathUnderToken(quoted, CString(kExcludeToken));
  removeRelativeMatches(quoted, CString(kExcludeToken));
  removeRelativeMatches(quoted, CString(kIncludeToken));
  return addFilePathUnderToken(quoted, CString(kIncludeToken), true);
}

bool CZorbPluginConfigFile::updateFilePathToExcludeList(const CString& path) {
  const CString quoted = Quoted(path);
  removeFilePathUnderToken(quoted, CString(kIncludeToken));
  removeRelativeMatches(quoted, CString(kIncludeToken));
  removeRelativeMatches(quoted, CString(kExcludeToken));
  return addFilePathUnderToken(quoted, CString(kExcludeToken), false);
}

bool CZorbPluginConfigFile::removeFilePathInExcludeList(const CString& path) {
  return removeFilePathUnderToken(Quoted(path), CString(kExcludeToken));
}
