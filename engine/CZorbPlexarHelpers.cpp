// The engine's own file and folder operations, shared by install,
// uninstall, migration and packaging.
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtensionFile.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbTimer.h"
#include "foundation/Logger.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CInstallDeleteFolder.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

// Deeper trees than this are not walked: a package or a host folder that
// nests further is refused rather than recursed into without end.
constexpr int kMaxFolderDepth = 128;
// The placeholder of an empty folder: attempts and the pause between them.
constexpr int kRecoverAttempts = 10;
constexpr uint32_t kRecoverWaitMs = 1000;

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

struct Entry {
  CString path;
  CString name;
  bool folder;
};

// The items of a folder ("." and ".." left out), read before anything in it
// changes.
std::vector<Entry> ListFolder(const CString& folder) {
  std::vector<Entry> entries;
  const CString dir = WithColon(folder);
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(dir + u"*.*"); found; found = finder.FindNext()) {
    const CString name(finder.GetFileName());
    if (name == u"." || name == u"..") continue;
    entries.push_back({dir + name, name, finder.IsFolder()});
  }
  return entries;
}

void TooDeep(const CString& folder) {
  Logger::write(Logger::kError, u"Folder nested too deep, left alone: " + Text(folder), __FILE__,
                __LINE__);
}

// One level of RemoveNoEmptyDirectory: the items of folder, deepest first.
void RemoveContents(CZorbInstallTransaction& transaction, const CString& folder, int depth) {
  if (depth > kMaxFolderDepth) {
    TooDeep(folder);
    return;
  }
  std::vector<CString> files, folders;
  for (const Entry& entry : ListFolder(folder)) {
    if (entry.folder) {
      RemoveContents(transaction, entry.path, depth + 1);
      folders.push_back(entry.path);
    } else {
      files.push_back(entry.path);
    }
  }
  // Failures are left to the operation that owns the transaction.
  for (const CString& file : files) (void)transaction.Add(new CInstallDeleteFile(file));
  for (const CString& sub : folders) (void)transaction.Add(new CInstallDeleteFolder(sub));
}

bool DeleteContents(CZorbInstallTransaction& transaction, const CString& folder,
                    const CZorbTypedList<CZorbString>& extensions,
                    const CZorbTypedList<CZorbString>& keep, int depth) {
  if (depth > kMaxFolderDepth) {
    TooDeep(folder);
    return false;
  }
  for (const Entry& entry : ListFolder(folder)) {
    if (entry.folder) {
      if (!DeleteContents(transaction, entry.path, extensions, keep, depth + 1)) return false;
      if (transaction.Add(new CInstallDeleteFolder(entry.path)) != 0) return false;
      continue;
    }
    const CZorbString extension(CZorbPath(entry.path).GetExtension());
    const bool listed = extensions.empty() || extensions.Exists(extension);
    if (!listed || keep.Exists(CZorbString(entry.name))) return false;
    if (transaction.Add(new CInstallDeleteFile(entry.path)) != 0) return false;
  }
  return CZorbOS::IsDirectoryEmpty(WithColon(folder));
}

// Whether item lies strictly inside folder (ignoring case, as the volumes
// do).
bool Inside(const CString& item, const CString& folder) {
  const CString prefix = WithColon(folder);
  const CString path = WithoutColon(item);
  return path.GetLength() > prefix.GetLength() &&
         path.Left(prefix.GetLength()).CompareNoCase(prefix) == 0;
}

}  // namespace

bool CZorbPlexar::CanDeleteFile(const CString& path) {
  const CString folder = CZorbPath(path).GetFolder();
  for (CZorbProduct* product : m_products)
    if (product != nullptr && product->BelongsTo(folder)) return product->CanDelete(path);
  return true;
}

int CZorbPlexar::findExistYxpOrKxpPackage(CZorbPath& path) {
  CZorbPath candidate = path;
  CZorbPath found;
  int count = 0;
  int result = kNoPackage;
  // Only a file is a package; a folder of that name is not.
  candidate.SetExtension(u"yxp");
  if (KindOf(candidate) == Kind::kFile) {
    found = candidate;
    ++count;
    result = kFoundYxp;
  }
  candidate.SetExtension(u"kxp");
  if (KindOf(candidate) == Kind::kFile) {
    found = candidate;
    ++count;
    result = kFoundKxp;
  }
  if (count == 1) {
    path = found;
    return result;
  }
  path = candidate;
  return count == 2 ? kFoundBoth : kNoPackage;
}

void CZorbPlexar::RemoveNoEmptyDirectory(CZorbPath folder) {
  // Each call is its own walk with its own top folder; a link is removed as
  // the link it is, never walked through.
  const CString top = WithoutColon(folder);
  if (KindOf(top) != Kind::kFolder) return;
  RemoveContents(m_transaction, top, 0);
  (void)m_transaction.Add(new CInstallDeleteFolder(top));
}

bool CZorbPlexar::DeleteFolderContents(const CString& folder,
                                       const CZorbTypedList<CZorbString>& extensions,
                                       const CZorbTypedList<CZorbString>& keep) {
  return DeleteContents(m_transaction, WithColon(folder), extensions, keep, 0);
}

void CZorbPlexar::DeleteUnpackedKXPFiles(const CString& folder, CZorbTypedVector<CString>& names) {
  if (folder.GetLength() == 0) return;
  const CString top = WithoutColon(folder);
  for (const CString& name : names) {
    CString relative = name;
    while (relative.GetLength() > 0 && relative.GetAt(0) == u':') relative = relative.Mid(1);
    if (relative.GetLength() == 0) continue;
    const CString file = WithColon(top) + relative;
    // The names come from a package: nothing outside the folder is touched.
    if (!Inside(file, top)) continue;
    if (KindOf(file) == Kind::kFile && !CZorbOS::DeleteFile(file, false))
      LogStepError(u"Can't delete unpacked file: ", file, __FILE__, __LINE__);
    CString parent = WithoutColon(FolderOf(file));
    while (Inside(parent, top) && KindOf(parent) == Kind::kFolder &&
           CZorbOS::IsDirectoryEmpty(parent) && CZorbOS::RemoveDirectory(parent))
      parent = WithoutColon(FolderOf(parent));
  }
  if (KindOf(top) == Kind::kFolder && CZorbOS::IsDirectoryEmpty(top))
    (void)CZorbOS::RemoveDirectory(top);
}

void CZorbPlexar::scanFilesFromByExtensionName(const CString& folder,
                                               CZorbTypedVector<CString>& out,
                                               const CString& extension) {
  const CString dir = WithColon(folder);
  CZorbFileFinder finder;
  for (bool found = finder.FindFirst(dir + u"*." + extension); found; found = finder.FindNext())
    out.push_back(dir + finder.GetFileName());
}

void CZorbPlexar::RecoverEmptyDirectory(const CZorbExtensionFile* entry, const CString& path) {
  if (entry == nullptr || entry->m_isEmptyFolder == 0) return;
  // Tries an action up to kRecoverAttempts times, a pause after each
  // failure; false once they are used up or the program shuts down.
  auto retry = [this](auto&& action) {
    for (int attempt = 1;; ++attempt) {
      if (action()) return true;
      if (m_waitsCancelled) return false;
      CZorbTimer pause(kRecoverWaitMs);
      pause.Start();
      pause.Wait();
      if (attempt >= kRecoverAttempts) return false;
    }
  };
  // The placeholder may already be gone, or the folder already there.
  const bool deleted = retry([&path] {
    const Kind kind = KindOf(path);
    return kind == Kind::kNothing || kind == Kind::kFolder || CZorbOS::DeleteFile(path, false);
  });
  if (!deleted) {
    Logger::write(Logger::kFatal, u"Can't delete file: " + Text(path), __FILE__, __LINE__);
    return;
  }
  if (!retry([&path] { return CZorbOS::CreateDirectory(path, true); }))
    Logger::write(Logger::kFatal, u"Can't create directory: " + Text(path), __FILE__, __LINE__);
}
