// CZorbOS: packing a folder tree into a zip package and unpacking it again,
// through the package library.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/CFile.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPackageNameSet.h"
#include "foundation/StringUtil.h"
#include "pkg/BasePkgEntryIterator.h"
#include "pkg/BasePkgHexStrings.h"
#include "pkg/IPackage.h"
#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PackageException.h"
#include "pkg/ZipPackage.h"
#include "pkg/ZipPackageFactory.h"
#include "pkg/ZipRecords.h"
#include "platform/os/AccessProbe.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"

CZorbPath CZorbOS::openZipFileRootDirectory;
bool CZorbOS::g_UnPackFailed = false;

namespace {

constexpr size_t kBlock = 1024;
// A DOS date counts years from 1980 in seven bits.
constexpr int kLastDosYear = 1980 + 127;
using PackageHandle = std::shared_ptr<pkg::IPackage>;

// A ":" inside a name on disk is "/" in a colon path, and the other way
// round; entry names use "/" between components.
void SwapColonAndSlash(CString& text) {
  for (int32_t i = 0; i < text.GetLength(); ++i) {
    if (text.GetAt(i) == u':') {
      text.SetAt(i, u'/');
    } else if (text.GetAt(i) == u'/') {
      text.SetAt(i, u':');
    }
  }
}

bool ToUtf8(const CString& text, std::string& out) {
  out.clear();
  try {
    StringUtil::convertStringToSingle(text, out);
  } catch (const std::runtime_error&) {
    return false;
  }
  return true;
}

// The POSIX path the library opens: the folder part of zipPath (made when
// missing) and its file name.
bool PackagePathOf(const char16_t* zipPath, std::string& out) {
  const CZorbPath zip(zipPath);
  CString name = zip.GetFileName();
  if (name.GetLength() == 0 || name == u"." || name == u"..") return false;
  CString folder;
  if (!CZorbOS::convertPath(zip.GetFolder(), folder)) return false;
  std::string posixFolder;
  std::string posixName;
  SwapColonAndSlash(name);
  if (!ToUtf8(folder, posixFolder) || !ToUtf8(name, posixName)) return false;
  while (posixFolder.size() > 1 && posixFolder.back() == '/') posixFolder.pop_back();
  out = (posixFolder == "/" ? std::string() : posixFolder) + "/" + posixName;
  return true;
}

// The entry name of a path below root.
bool EntryNameOf(const CZorbPath& path, const CZorbPath& root, std::string& name) {
  const int32_t rootLength = root.GetLength();
  if (rootLength == 0 || path.GetLength() <= rootLength) return false;
  if (path.Left(rootLength) != root) return false;
  CString rest = path.Mid(rootLength);
  if (rest.GetAt(0) == u':') {
    rest = rest.Mid(1);
  } else if (root.GetAt(rootLength - 1) != u':') {
    return false;  // root ends inside a component of path
  }
  if (rest.GetLength() == 0) return false;
  SwapColonAndSlash(rest);
  return ToUtf8(rest, name);
}

// The colon path below root that an entry name stands for, and the name
// relative to root. Refused: names that could reach outside root (absolute,
// empty, "." or ".." components) and names that are not UTF-8.
bool DiskPathOf(const CZorbPath& root, const std::string& name, CZorbPath& out, CString& relative) {
  if (name.empty() || name[0] == '/') return false;
  std::string rest = name;
  if (rest.back() == '/') rest.pop_back();
  if (rest.empty()) return false;
  std::u16string joined;
  size_t start = 0;
  for (;;) {
    size_t end = rest.find('/', start);
    std::string component = rest.substr(start, end == std::string::npos ? end : end - start);
    if (component.empty() || component == "." || component == ".." ||
        component.find('\0') != std::string::npos) {
      return false;
    }
    CString wide;
    try {
      StringUtil::convertStringToWide(component, wide);
    } catch (const std::runtime_error&) {
      return false;
    }
    SwapColonAndSlash(wide);
    if (!joined.empty()) joined += u':';
    joined.append(wide.Get() ? wide.Get() : u"", static_cast<size_t>(wide.GetLength()));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  relative = CString(joined.c_str(), static_cast<uint32_t>(joined.size()));
  CZorbPath path(root);
  path.Append(relative);
  out = path;
  return true;
}

// The folders below the destination of the unpacking in progress that are
// known to be real folders (no links).
struct UnpackState {
  std::unordered_set<std::u16string> folders;
};
UnpackState* g_state = nullptr;

std::u16string Key(const CString& path) {
  return std::u16string(path.Get() ? path.Get() : u"", static_cast<size_t>(path.GetLength()));
}

// Whether the names of the archive's records can all be unpacked below root
// without landing on one another (compared as the file look-ups compare
// them): the package's walk lists only the first record of a name. Names that would leave root
// fail at their turn in the walk.
bool NamesFit(pkg::IPackage& package, const CZorbPath& root) {
  auto* zip = dynamic_cast<pkg::zip::ZipPackage*>(&package);
  if (!zip) return true;
  CZorbPackageNameSet names;
  for (const auto& record : zip->centralDir().getEntries()) {
    CZorbPath target;
    CString relative;
    if (!DiskPathOf(root, record->getFilename(), target, relative)) continue;
    if (!CZorbPackageNameSet::Fits(relative, root) || !names.Add(relative, record->isDirectory()))
      return false;
  }
  return true;
}

// Whether an entry may be written at target (a path below root): its name
// is within the limits, and no item on the way from root to target is a
// symbolic link, found as every file call finds names (ignoring case and
// normalisation). Each folder is checked once per unpacking.
bool MayWrite(const CZorbPath& root, const CZorbPath& target, const CString& relative) {
  if (!CZorbPackageNameSet::Fits(relative, root)) return false;
  // The folders still to check, deepest first; the rest were checked.
  std::vector<CString> unchecked;
  CString folder = target;
  const int32_t rootLength = root.GetLength();
  for (;;) {
    const int32_t colon = folder.ReverseFind(u':');
    if (colon < rootLength) break;
    folder = folder.Left(colon);
    if (folder.GetLength() <= rootLength) break;
    if (g_state && g_state->folders.count(Key(folder))) break;
    unchecked.push_back(folder);
  }
  for (auto it = unchecked.rbegin(); it != unchecked.rend(); ++it) {
    if (CZorbOS::IsFileSymbolicLink(*it)) return false;
    // A folder not there yet is made by this unpacking, and so are those below it.
    if (!CZorbOS::DirectoryExists(*it)) break;
    if (g_state) g_state->folders.insert(Key(*it));
  }
  return !CZorbOS::IsFileSymbolicLink(target);
}

bool IsValidDate(const CZorbDateTime& d) {
  return d.GetMonth() >= 1 && d.GetMonth() <= 12 && d.GetDay() >= 1 && d.GetDay() <= 31 &&
         d.GetHour() < 24 && d.GetMinute() < 60 && d.GetSecond() < 60;
}

}  // namespace

// --- packing -------------------------------------------------------------

bool CZorbOS::getFilesAndDirectoryList(const CZorbPath& folder, CZorbTypedVector<CString>& files,
                                       CZorbTypedVector<CString>& emptyFolders) {
  CZorbPath pattern(folder);
  pattern.Append(u"*.*");
  CZorbFileFinder finder;
  bool complete = true;
  for (bool found = finder.FindFirst(pattern); found; found = finder.FindNext()) {
    const char16_t* name = finder.GetFileName();
    if (CString(name) == u"." || CString(name) == u"..") continue;
    CZorbPath path(folder);
    path.Append(name);
    if (finder.IsFolder()) {
      if (!getFilesAndDirectoryList(path, files, emptyFolders)) complete = false;
      if (IsDirectoryEmpty(path)) emptyFolders.push_back(path);
    } else {
      files.push_back(path);
    }
  }
  if (finder.m_error) complete = false;
  return complete;
}

bool CZorbOS::packageFileEntryToZipFile(void* package, const CZorbPath& file,
                                        const CZorbPath& root) {
  PackageHandle& zip = *static_cast<PackageHandle*>(package);
  std::string name;
  if (!EntryNameOf(file, root, name)) return false;
  pkg::SPRefType<pkg::IPkgFile> entry = zip->getFile(name, false);
  entry->setCompressionMethod(pkg::deflate);

  CFile in;
  if (!in.Open(file, 0)) return false;
  CZorbDateTime modified;
  if (!GetFileDateTime(file, modified)) return false;
  std::string date;
  std::string time;
  transferDateTimeToDosTime(modified, date, time);
  entry->setProperty(pkg::kZipPropDOSDate, date);
  entry->setProperty(pkg::kZipPropDOSTime, time);

  std::shared_ptr<pkg::IPkgStream> stream = entry->open(std::ios_base::out, false);
  const int64_t length = in.GetLength();
  int64_t copied = 0;
  char block[kBlock];
  for (;;) {
    unsigned int got = in.Read(block, kBlock);
    if (got > 0) stream->write(block, got);
    copied += got;
    if (got < kBlock) break;
  }
  in.Close();
  stream->close();
  // A read that stopped early was a failure, not the end of the file.
  return copied == length;
}

bool CZorbOS::packageDirectoryEntryToZipFile(void* package, const CZorbPath& folder,
                                             const CZorbPath& root) {
  PackageHandle& zip = *static_cast<PackageHandle*>(package);
  std::string name;
  if (!EntryNameOf(folder, root, name)) return false;
  zip->getDirectory(name, false)->create();
  return true;
}

bool CZorbOS::PackZipFile(const char16_t* zipPath, const char16_t* folder) {
  if (!zipPath || !*zipPath || !folder || !*folder) return false;
  if (DirectoryExists(zipPath) && !RemoveDirectory(zipPath)) return false;
  std::string packagePath;
  if (!PackagePathOf(zipPath, packagePath)) return false;
  const CZorbPath root(folder);
  if (!DirectoryExists(root)) return false;

  PackageHandle package = pkg::zip::ZipPackageFactory::getInstance()->openPackage(
      packagePath, std::ios_base::out | std::ios_base::trunc);
  // Whatever goes wrong, no partial zip stays behind.
  auto discard = [&]() {
    try {
      package->closeWithoutSave();
    } catch (...) {
      // The zip goes anyway.
    }
    // The packing fails either way; DeleteFile logs a zip it cannot remove.
    (void)DeleteFile(zipPath, false);
  };
  try {
    package->beginUpdate();
    CZorbTypedVector<CString> files;
    CZorbTypedVector<CString> emptyFolders;
    bool ok = getFilesAndDirectoryList(root, files, emptyFolders);
    for (size_t i = 0; ok && i < files.size(); ++i) {
      // A zip written inside the folder is not packed into itself.
      platform::FSRef ref;
      if (GetFSRefFromFilePath(files[i], ref) && platform::sameNode(packagePath, ref.path))
        continue;
      ok = packageFileEntryToZipFile(&package, CZorbPath(files[i]), root);
    }
    for (size_t i = 0; ok && i < emptyFolders.size(); ++i) {
      ok = packageDirectoryEntryToZipFile(&package, CZorbPath(emptyFolders[i]), root);
    }
    if (!ok) {
      discard();
      return false;
    }
    package->endUpdate();
    package->close();
  } catch (...) {
    discard();
    throw;
  }
  return true;
}

// --- unpacking -----------------------------------------------------------

bool CZorbOS::unPackZipFile(const char16_t* zipPath, const char16_t* destination) {
  openZipFileRootDirectory = CZorbPath(destination ? destination : u"");
  g_UnPackFailed = false;
  if (!zipPath || !*zipPath || openZipFileRootDirectory.GetLength() == 0) return false;
  std::string packagePath;
  if (!PackagePathOf(zipPath, packagePath)) return false;
  PackageHandle package =
      pkg::zip::ZipPackageFactory::getInstance()->openPackage(packagePath, std::ios_base::in);
  // Refused before anything is written, as the other unpackers do.
  if (!NamesFit(*package, openZipFileRootDirectory)) {
    package->close();
    g_UnPackFailed = true;
    return false;
  }
  UnpackState state;
  g_state = &state;
  struct Reset {
    ~Reset() { g_state = nullptr; }
  } reset;
  // The entries' names are new to their folders: look each folder up once.
  platform::NameLookupScope lookups;
  for (pkg::BasePkgEntryIterator it(package); it.isValid(); ++it) GenerateDiskEntry(*it);
  package->close();
  return !g_UnPackFailed;
}

bool CZorbOS::GenerateDiskEntry(const pkg::SPRefType<pkg::IPkgEntry>& entry) {
  if (g_UnPackFailed || !entry) return true;
  try {
    if (entry->getEntryType() == pkg::kEntryFile) {
      pkg::SPRefType<pkg::IPkgFile> file = entry->toFile();
      if (!GenerateFileForZipFileEntry(file)) g_UnPackFailed = true;
    } else {
      if (!GenerateDirectoryForZipDirEntry(entry->toDirectory())) g_UnPackFailed = true;
    }
  } catch (const pkg::PackageException&) {
    // A damaged entry fails the unpacking; the walk goes on writing nothing.
    g_UnPackFailed = true;
  }
  return true;
}

bool CZorbOS::GenerateFileForZipFileEntry(pkg::SPRefType<pkg::IPkgFile>& file) {
  CZorbPath target;
  CString relative;
  if (!DiskPathOf(openZipFileRootDirectory, file->getName(), target, relative) ||
      !MayWrite(openZipFileRootDirectory, target, relative))
    return false;
  const CString folder = target.GetFolder();
  if (!DirectoryExists(folder) && !CreateDirectory(folder, true)) return false;

  CZorbDateTime modified;
  transferDosTimeToDateTime(file->getProperty(pkg::kZipPropDOSDate),
                            file->getProperty(pkg::kZipPropDOSTime), modified);
  std::shared_ptr<pkg::IPkgStream> stream = file->open(std::ios_base::in, false);
  const int64_t size = file->getSize64();

  CFile out;
  if (!out.Open(target, CFile::kCreate | CFile::kWriteAccess)) return false;
  bool ok = true;
  int64_t copied = 0;
  try {
    char block[kBlock];
    // Read to the end, so that the entry's checks run on all of it.
    for (;;) {
      stream->read(block, kBlock);
      std::streamsize got = stream->gcount();
      if (got <= 0) break;
      if (out.Write(block, static_cast<unsigned int>(got)) != 0) {
        ok = false;
        break;
      }
      copied += got;
    }
  } catch (...) {
    out.Close();
    // The error goes on up; DeleteFile logs a file it cannot remove.
    (void)DeleteFile(target, true);
    throw;
  }
  // The end of the data still waits in the file's buffer, and Close cannot
  // tell that writing it failed.
  if (ok && out.m_fileBuffer->Flush() != platform::noErr) ok = false;
  out.Close();
  if (!ok || copied != size) {
    // The unpacking fails either way; DeleteFile logs a file it cannot remove.
    (void)DeleteFile(target, true);
    return false;
  }
  if (IsValidDate(modified) && !SetFileDateTime(target, modified)) return false;
  stream->close();
  return true;
}

bool CZorbOS::GenerateDirectoryForZipDirEntry(const pkg::SPRefType<pkg::IPkgDirectory>& directory) {
  CZorbPath target;
  CString relative;
  if (!DiskPathOf(openZipFileRootDirectory, directory->getName(), target, relative) ||
      !MayWrite(openZipFileRootDirectory, target, relative))
    return false;
  return DirectoryExists(target) || CreateDirectory(target, true);
}

// --- DOS date and time texts ----------------------------------------------

bool CZorbOS::transferDateTimeToDosTime(const CZorbDateTime& dateTime, std::string& date,
                                        std::string& time) {
  int year = dateTime.GetYear();
  if (year > kLastDosYear) year = kLastDosYear;
  const pkg::zip::DOSTime value =
      pkg::zip::dostime(year, dateTime.GetMonth(), dateTime.GetDay(), dateTime.GetHour(),
                        dateTime.GetMinute(), dateTime.GetSecond());
  auto* hex = pkg::BasePkgHexStrings::getInstance();
  date = hex->iToHexString(static_cast<unsigned short>(value >> 16));
  time = hex->iToHexString(static_cast<unsigned short>(value & 0xFFFF));
  return true;
}

bool CZorbOS::transferDosTimeToDateTime(const std::string& date, const std::string& time,
                                        CZorbDateTime& dateTime) {
  auto* hex = pkg::BasePkgHexStrings::getInstance();
  unsigned short d = 0;
  unsigned short t = 0;
  try {
    hex->hexStringToI(date, d);
  } catch (const pkg::PackageException&) {
    d = 0;
  }
  try {
    hex->hexStringToI(time, t);
  } catch (const pkg::PackageException&) {
    t = 0;
  }
  dateTime.Set(static_cast<uint16_t>((d >> 9) + 1980), static_cast<uint16_t>((d >> 5) & 15),
               static_cast<uint16_t>(d & 31), static_cast<uint16_t>(t >> 11),
               static_cast<uint16_t>((t >> 5) & 63), static_cast<uint16_t>((t & 31) * 2));
  return true;
}
