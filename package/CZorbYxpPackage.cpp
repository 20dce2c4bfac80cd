#include "package/CZorbYxpPackage.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>

#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "package/CZorbZipDirectory.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Process.h"
#include "platform/os/Utf.h"

#include "foundation/AppGlobals.h"

namespace {

constexpr char16_t kZipName[] = u"plexo_raw.zip";
constexpr char16_t kStagingSuffix[] = u"_PACKAGE";
constexpr char16_t kUnpackSuffix[] = u"_UNPACK";

void LogError(const CString& message) {
  Logger::write(Logger::kError, std::u16string(message.Get(), message.GetLength()), __FILE__,
                __LINE__);
}

void LogInfo(const std::string& message) {
  Logger::write(Logger::kInfo, message, __FILE__, __LINE__);
}

std::optional<std::string> Posix(const CString& colon) {
  return platform::colonToPosix(std::u16string_view(colon.Get(), colon.GetLength()));
}

CString Utf16(const std::string& text) {
  const std::optional<std::u16string> wide = platform::utf8ToUtf16(text);
  return wide ? CString(wide->c_str(), static_cast<uint32_t>(wide->size())) : CString();
}

int32_t Length(const char16_t* text) {
  int32_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

void CopyText(char16_t* out, const CString& text) {
  const int32_t n = std::min(text.GetLength(), CZorbPackage::kMaxPath);
  for (int32_t i = 0; i < n; ++i) out[i] = text.GetAt(i);
  out[n] = 0;
}

// The folder the programs live in, as it stands when they run.
std::string ToolFolder() {
  return gAppPath;
}

// Deletes a tree whatever its names: a tool may write names that are not
// UTF-8, which the program's own listing (and so its deletion) cannot see.
int RemoveTree(const std::string& path) {
  platform::IFileSystem& fs = platform::fileSystem();
  const int err = fs.unlink(path);
  if (err == 0 || err == ENOENT) return 0;
  if (err != EISDIR) return err;
  std::vector<platform::RawDirEntry> entries;
  if (const int listed = fs.listDirectory(path, entries)) return listed;
  for (const platform::RawDirEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    if (const int removed = RemoveTree(path + "/" + entry.name)) return removed;
  }
  return fs.rmdir(path);
}

// Deletes one of the object's own temporary folders.
bool DeleteFolder(const CString& folder) {
  if (!CZorbOS::DirectoryExists(folder)) return true;
  if (CZorbOS::DeleteDirectoryWithoutRollback(folder, true)) return true;
  const std::optional<std::string> posix = Posix(folder);
  return posix && RemoveTree(*posix) == 0;
}

}  // namespace

CZorbYxpPackage::CZorbYxpPackage(const char16_t* fileName) {
  m_tempZipPath[0] = 0;
  m_tempRoot[0] = 0;
  char16_t temp[kMaxPath + 1] = {};
  CZorbOS::GetTempPath(temp, kMaxPath + 1);
  char16_t name[kMaxPath + 1] = {};
  // Without a name the object is refused below.
  if (!CZorbOS::GetTempFileName(temp, u"ZDR", 0, name)) name[0] = 0;
  const CString path(name);
  // Without its root the object has no temporary paths at all, so that
  // every later operation fails rather than work beside the root.
  if (CZorbOS::FileExists(name) && !CZorbOS::DeleteFile(name, false)) {
    LogError(u"UnExpected Error, temprary file " + path + u" existed and can not be removed");
    return;
  }
  if (CZorbOS::DirectoryExists(name) && !CZorbOS::DeleteDirectoryWithoutRollback(name, false)) {
    LogError(u"UnExpected Error, temprary directory " + path + u" existed and can not be removed");
    return;
  }
  if (!path.GetLength() || !CZorbOS::EnsureDirectoryExists(name)) {
    LogError(u"Directory " + path + u" is failed to create");
    return;
  }
  CopyText(m_tempRoot, path);
  CZorbPath zip(path);
  zip.Append(kZipName);
  CopyText(m_tempZipPath, zip);
  if (fileName) SetFileName(fileName);
}

CZorbYxpPackage::~CZorbYxpPackage() {
  if (m_tempRoot[0]) DeleteFolder(CString(m_tempRoot));
}

CString CZorbYxpPackage::GetStagingFolder() const {
  return CString(m_tempZipPath) + kStagingSuffix;
}

CString CZorbYxpPackage::GetUnpackFolder() const {
  return CString(m_tempZipPath) + kUnpackSuffix;
}

// ---------------------------------------------------------------------------
// Packing
// ---------------------------------------------------------------------------

int CZorbYxpPackage::Create(const char16_t* fileName, int) {
  if (fileName) {
    if (Length(fileName) > kMaxPath) {
      LogError(u"Input file name length is greater than _MAX_PATH: " + CString(fileName));
      return -1;
    }
    SetFileName(fileName);
  }
  if (!m_fileName[0] || !m_tempZipPath[0]) {
    LogError(u"Package File or temporary YXP file path with zero length: ");
    return -1;
  }
  if (CZorbOS::FileExists(m_fileName) && !CZorbOS::DeleteFile(m_fileName, false)) {
    LogError(u"UnExpected Error, packge file " + CString(m_fileName) +
             u" existed and can not be removed");
    return -1;
  }
  const CString staging = GetStagingFolder();
  if (CZorbOS::DirectoryExists(staging) &&
      !CZorbOS::DeleteDirectoryWithoutRollback(staging, false)) {
    LogError(u"UnExpected Error, packge root folder " + staging +
             u" existed and can not be removed");
    return -1;
  }
  if (!CZorbOS::CreateDirectory(staging, true)) {
    LogError(u"UnExpected Error, packge root folder " + staging + u" failed to create");
    return -1;
  }
  return 0;
}

int CZorbYxpPackage::PackFile(const char16_t* sourcePath, bool withResourceFork,
                              bool stripExtension) {
  if (!sourcePath || !sourcePath[0]) {
    LogError(u"source file is empty");
    return -1;
  }
  const CString source(sourcePath);
  if (!CZorbOS::FileExists(sourcePath) && !CZorbOS::DirectoryExists(sourcePath)) {
    LogError(u"UnExpected Error, source file " + source + u" existed and failed to remove");
    return -1;
  }
  if (source.GetLength() > kMaxPath) {
    LogError(u"UnExpected Error, source file " + source + u", length is greater than _MAX_PATH");
    return -1;
  }
  CString relativeName;
  if (!CutRelativeRoot(sourcePath, relativeName)) return -1;
  return PackFile(relativeName, sourcePath, withResourceFork, stripExtension);
}

int CZorbYxpPackage::PackFile(const char16_t* relativeName, const char16_t* sourcePath, bool,
                              bool stripExtension) {
  if (!sourcePath || !sourcePath[0]) {
    LogError(u"source path file is empty");
    return -1;
  }
  if (!relativeName || !relativeName[0]) {
    LogError(u"relative file path is empty");
    return -1;
  }
  if (Length(relativeName) > kMaxPath || Length(sourcePath) > kMaxPath) {
    LogError(u"Input file name length is greater than _MAX_PATH");
    return -1;
  }
  CString name(relativeName);
  if (stripExtension) getPathFromFileWithNoExtensionName(CString(relativeName), name);
  const CString destination = GetStagingFolder() + u":" + name;
  if (CZorbOS::DirectoryExists(sourcePath)) {
    if (!CZorbOS::CreateDirectory(destination, true)) {
      LogError(u"UnExpected Error, destinted folder " + destination + u" failed to create");
      return -1;
    }
    return 0;
  }
  if (!CZorbOS::CopyFile(sourcePath, destination)) {
    LogError(u"UnExpected Error, destinted file " + CString(sourcePath) + u" failed to create");
    return -1;
  }
  return 0;
}

int CZorbYxpPackage::PackComplete() {
  const int result = PackageZipFileImpl();
  if (m_tempRoot[0]) DeleteFolder(CString(m_tempRoot));
  return result;
}

void CZorbYxpPackage::PopulatePackCommandLineParameters(const CString&,
                                                        std::vector<std::string>& out) {
  out = {ToolFolder() + "/Zip",
         "-UN=UTF8",
         "-r",
         "-y",
         "-q",
         Posix(CString(m_tempZipPath)).value_or(std::string()),
         "."};
}

void CZorbYxpPackage::PopulateUnPackCommandLineParameters(const CString&,
                                                          std::vector<std::string>& out) {
  out = {ToolFolder() + "/UnZip", Posix(CString(m_tempZipPath)).value_or(std::string()), "-d",
         Posix(GetUnpackFolder()).value_or(std::string())};
}

bool CZorbYxpPackage::RunTool(const std::vector<std::string>& arguments,
                              const std::string& workingFolder, const char16_t* failureFormat) {
  platform::SpawnOptions options;
  options.arguments = arguments;
  options.workingFolder = workingFolder;
  const platform::SpawnResult result = platform::runProcess(options);
  if (!result.output.empty()) LogInfo(result.output);
  if (!result.errorOutput.empty()) LogInfo(result.errorOutput);
  if (result.succeeded()) return true;
  // The code the tool ended with; a tool that could not start (not there,
  // or its working folder cannot be entered) or was killed has none.
  const int code = result.startError ? -1 : result.exitCode >= 0 ? result.exitCode : -1;
  CString message;
  message.Format(platform::RuntimeFormat(failureFormat), code);
  LogError(message);
  return false;
}

int CZorbYxpPackage::PackageZipFileImpl() {
  const CString staging = GetStagingFolder();
  if (!m_tempZipPath[0] || !CZorbOS::DirectoryExists(staging)) return -1;
  // Zip would add to an old archive left there.
  if (CZorbOS::FileExists(m_tempZipPath) && !CZorbOS::DeleteFile(m_tempZipPath, true)) return -1;
  if (CZorbOS::DirectoryExists(m_tempZipPath) &&
      !CZorbOS::DeleteDirectoryWithoutRollback(m_tempZipPath, false))
    return -1;
  // The package is made anew; the move below tells whether it lands.
  if (m_fileName[0] && CZorbOS::FileExists(m_fileName))
    (void)CZorbOS::DeleteFile(m_fileName, false);

  const std::optional<std::string> workingFolder = Posix(staging);
  std::vector<std::string> arguments;
  PopulatePackCommandLineParameters(CString(m_tempZipPath), arguments);
  if (!workingFolder || arguments[5].empty()) return -1;
  if (!RunTool(arguments, *workingFolder, u"Info-zip package failed, error code is: %d")) return -1;
  if (!CZorbOS::FileExists(m_tempZipPath)) {
    LogError(u"UnExpected Error, packge file " + CString(m_tempZipPath) + u" deos not exist");
    return -1;
  }
  if (!CZorbOS::MoveFile(m_tempZipPath, m_fileName)) {
    LogError(u"Packge file " + CString(m_fileName) + u" can not be copied");
    return -1;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Unpacking
// ---------------------------------------------------------------------------

int CZorbYxpPackage::UnPackFileNames(CZorbTypedVector<CString>& names) {
  if (!m_fileName[0] || !m_tempZipPath[0]) return -1;
  names.clear();
  m_unpacked = false;
  const int result = UnPackageZipFileImpl();
  if (result == 0) {
    m_unpacked = true;
    m_movedOut = false;
    const CString folder = GetUnpackFolder();
    GetFileList(names, folder, folder + u":");
  }
  return result;
}

int CZorbYxpPackage::UnPackageZipFileImpl() {
  if (!m_fileName[0] || !m_tempZipPath[0]) {
    LogError(u"UnPackage file path is empty");
    return -1;
  }
  if (CZorbOS::FileExists(m_tempZipPath) && !CZorbOS::DeleteFile(m_tempZipPath, false)) {
    LogError(u"Packge file " + CString(m_tempZipPath) + u" existed and can not be removed");
    return -1;
  }
  // A file that is no archive is refused where it lies, before a copy of
  // all its bytes is made.
  if (CZorbZipDirectory end; !end.ReadEndOnly(m_fileName, GetUnpackLimits())) {
    LogError(u"Package " + CString(m_fileName) + u" refused: it " + Utf16(end.GetReason()));
    return -1;
  }
  if (!CZorbOS::CopyFile(m_fileName, m_tempZipPath)) {
    LogError(u"Packge yxp file " + CString(m_fileName) + u" failed to be copied");
    return -1;
  }
  const CString unpack = GetUnpackFolder();
  if (!DeleteFolder(unpack)) {
    LogError(u"Unpack folder " + unpack + u" exited and can not be removed");
    return -1;
  }
  if (!CZorbOS::CreateDirectory(unpack, true)) {
    LogError(u"Unpack folder " + unpack + u" failed to create");
    return -1;
  }

  // A failed unpack leaves no unpack folder: UnPackTo then has nothing,
  // partial or hostile, to copy.
  const auto fail = [&unpack]() {
    DeleteFolder(unpack);
    return -1;
  };
  // Our own copy is checked, so it cannot change before the tool reads it.
  CZorbZipDirectory directory;
  if (!directory.Read(m_tempZipPath, GetUnpackLimits(), unpack)) {
    LogError(u"Package " + CString(m_fileName) + u" refused: it " + Utf16(directory.GetReason()));
    return fail();
  }
  std::vector<std::string> arguments;
  PopulateUnPackCommandLineParameters(CString(m_tempZipPath), arguments);
  if (arguments[1].empty() || arguments[3].empty()) return fail();
  // The sizes were checked against the data; should the tool still write
  // more, no file may grow beyond the largest size the directory announces.
  // The limit is set by prlimit (util-linux) in the child it starts: a
  // posix_spawn child cannot be given one, and a limit of our own process
  // would hold for every thread's files.
  uint64_t largest = 0;
  for (const CZorbZipDirectory::Entry& entry : directory.GetEntries())
    largest = std::max(largest, entry.size);
  arguments.insert(arguments.begin(), {"prlimit", "--fsize=" + std::to_string(largest), "--"});
  if (!RunTool(arguments, std::string(), u"Info-zip UnPackage failed, error code is: %d"))
    return fail();
  if (!CheckUnpacked(directory)) {
    LogError(u"Package " + CString(m_fileName) + u" unpacked to other files than it lists");
    return fail();
  }
  return 0;
}

bool CZorbYxpPackage::CheckUnpacked(const CZorbZipDirectory& directory) {
  const std::optional<std::string> root = Posix(GetUnpackFolder());
  if (!root) return false;
  m_fileModes.clear();
  platform::IFileSystem& fs = platform::fileSystem();
  // Each item is looked up in its folder, opened once for a run of its items.
  std::string openFolder;
  int folderFd = -1;
  struct CloseFolder {
    platform::IFileSystem& fs;
    int& fd;
    ~CloseFolder() {
      if (fd >= 0) platform::closeQuietly(fs, fd);
    }
  } closeFolder{fs, folderFd};
  for (const CZorbZipDirectory::Entry& entry : directory.GetEntries()) {
    std::string path = *root;
    if (path.back() != '/') path += '/';
    path += entry.name;
    if (entry.isFolder) path.pop_back();
    const size_t slash = path.rfind('/');
    const std::string folder = path.substr(0, slash);
    if (folderFd < 0 || folder != openFolder) {
      if (folderFd >= 0) platform::closeQuietly(fs, folderFd);
      folderFd = -1;
      if (fs.open(folder.empty() ? "/" : folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0,
                  folderFd) != 0)
        return false;
      openFolder = folder;
    }
    struct stat info;
    if (fs.statAt(folderFd, path.substr(slash + 1), info) != 0) return false;
    const bool isFolder = S_ISDIR(info.st_mode);
    if (S_ISLNK(info.st_mode) || isFolder != entry.isFolder) return false;
    if (!isFolder && (!S_ISREG(info.st_mode) || static_cast<uint64_t>(info.st_size) != entry.size))
      return false;
    // The tool gives each item the mode the archive records. The owner must
    // be able to write it (else a file is locked, and a folder cannot be
    // emptied), and nobody else may.
    const uint32_t current = info.st_mode & 07777u;
    const uint32_t mode = (current & 0755u) | (isFolder ? 0700u : 0600u);
    if (mode != current && fs.chmod(path, mode) != 0) return false;
    if (!isFolder) m_fileModes.emplace_back(entry.name, mode);
  }
  return true;
}

void CZorbYxpPackage::GetFileList(CZorbTypedVector<CString>& names, const CString& folder,
                                  const CString& prefix) {
  if (!CZorbOS::DirectoryExists(folder)) return;
  std::vector<std::pair<CString, bool>> items;
  CZorbFileFinder finder;
  for (bool more = finder.FindFirst(folder + u":*.*"); more; more = finder.FindNext())
    items.emplace_back(CString(finder.GetFileName()), finder.IsFolder());
  bool hasContent = false;
  for (const auto& [name, isFolder] : items) {
    if (name.GetLength() == 0 || name == u"." || name == u".." || name == u".DS_Store") continue;
    hasContent = true;
    const CString child = folder + u":" + name;
    if (isFolder) {
      GetFileList(names, child, prefix);
    } else if (child.Left(prefix.GetLength()) == prefix) {
      names.push_back(child.Mid(prefix.GetLength()));
    }
  }
  // An empty folder is listed itself, its name ending in ":".
  const CString withColon = folder + u":";
  if (!hasContent && withColon.GetLength() > prefix.GetLength() &&
      withColon.Left(prefix.GetLength()) == prefix)
    names.push_back(withColon.Mid(prefix.GetLength()));
}

CZorbYxpPackage::MoveResult CZorbYxpPackage::MoveUnpacked(const std::string& target) {
  const std::optional<std::string> unpack = Posix(GetUnpackFolder());
  if (!unpack) return MoveResult::kFailed;
  platform::FSRef from;
  platform::FSRef to;
  platform::CatalogInfo info;
  if (platform::makeRef(*unpack, from) != platform::noErr ||
      platform::makeRef(target, to) != platform::noErr ||
      platform::getCatalogInfo(to, info) != platform::noErr || info.isSymlink ||
      !(info.nodeFlags & platform::kNodeIsDirectory) || from.device != to.device)
    return MoveResult::kNotHere;
  platform::IFileSystem& fs = platform::fileSystem();
  std::vector<platform::RawDirEntry> present;
  if (fs.listDirectory(target, present) != 0 || !present.empty()) return MoveResult::kNotHere;
  std::vector<platform::RawDirEntry> items;
  if (fs.listDirectory(*unpack, items) != 0) return MoveResult::kFailed;
  for (size_t i = 0; i < items.size(); ++i) {
    const std::string source = platform::joinPath(*unpack, items[i].name);
    const int err = fs.rename(source, platform::joinPath(target, items[i].name), true);
    if (err == 0) continue;
    // Put back what went, so that the unpack folder stays whole.
    for (size_t j = 0; j < i; ++j)
      (void)fs.rename(platform::joinPath(target, items[j].name),
                      platform::joinPath(*unpack, items[j].name), true);
    return i == 0 && err == EXDEV ? MoveResult::kNotHere : MoveResult::kFailed;
  }
  return MoveResult::kMoved;
}

int CZorbYxpPackage::UnPackTo(const char16_t* folder) {
  if (!folder || !folder[0] || !m_tempZipPath[0] || !m_fileName[0] || !m_unpacked) return -1;
  if (m_movedOut) {
    // An earlier target took the checked tree: check and unpack anew.
    if (UnPackageZipFileImpl() != 0) return -1;
    m_movedOut = false;
  }
  const CString unpack = GetUnpackFolder();
  if (!CZorbOS::DirectoryExists(folder) || !CZorbOS::DirectoryExists(unpack)) return -1;
  platform::FSRef target;
  const std::optional<std::string> posix = Posix(CString(folder));
  if (!posix || platform::resolvePath(*posix, target) != platform::noErr) return -1;
  // On one file system the checked tree moves into place: the items
  // already have their modes, and nothing is read or written again.
  switch (MoveUnpacked(target.path)) {
    case MoveResult::kMoved:
      m_movedOut = true;
      return 0;
    case MoveResult::kFailed:
      return -1;
    case MoveResult::kNotHere:
      break;
  }
  // Fails when any single item could not be copied.
  if (!CZorbOS::CopyDirectoryToEmptyFolder(unpack, folder)) return -1;
  for (const auto& [name, mode] : m_fileModes)
    if (platform::fileSystem().chmod(platform::joinPath(target.path, name), mode) != 0) return -1;
  return 0;
}
