// Package creation: a description and the files it lists become a KXP or
// YXP package.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "foundation/CFile.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "package/CZorbPackage.h"
#include "package/CZorbPackageUtility.h"
#include "pkg/IPackage.h"
#include "pkg/IXMLParser.h"
#include "pkg/PackageException.h"
#include "pkg/PkgTypes.h"
#include "pkg/ZipPackageFactory.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/FileSystem.h"
#include "platform/os/Utf.h"
#include "transaction/CZorbInstallTransaction.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

constexpr uint32_t kCreator = 0x51717858;   // 'QqXm'
constexpr uint32_t kTextType = 0x54455854;  // 'TEXT'
constexpr int kPlainFormat = 3;
constexpr int kWideFormat = 4;
constexpr int32_t kExitPackaged = 0;
constexpr int32_t kExitNotPackaged = 5;
// A restore that fails is tried again this often before the backup is kept.
constexpr int kRestoreAttempts = 3;
constexpr size_t kCopyChunk = 64 * 1024;

enum : unsigned int {
  kPackMsgMissing = 4024,
  kPackMsgNotLoaded = 4031,
  kPackMsgNotCreated = 4036,
  kPackMsgNotPackaged = 4039,
  kPackMsgPackaged = 4042,
  kPackMsgFileBusy = 4046,
  kPackMsgLacks = 4051,
  kPackMsgNoName = 4052,
  kPackMsgNoVersion = 4053,
  kPackMsgNoProduct = 4057,
  kPackMsgNoPrimary = 4061,
  kPackMsgMalformedTag = 4063,
  kPackMsgProgressTitle = 4098,
  kPackMsgNotReplaced = 4139,
  kPackMsgClimbingPath = 4151,
  kPackMsgNoEmptyFolder = 4190,
  kPackMsgNotPacked = 4217,
  kPackMsgNotReadable = 4229,
  kPackMsgNoBackup = 4440,
};

// Load results with a message of their own.
constexpr int kLoadMalformedTag = -3;
constexpr int kLoadNotPrimaryOnly = -4;
constexpr int kLoadClimbingPath = -5;

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// a, one blank, b.
CString Joined(const CString& a, const CString& b) {
  return a + u" " + b;
}

// The whole file; false when it cannot be read.
bool ReadAll(const CString& path, std::string& out) {
  out.clear();
  CFile file;
  if (!file.Open(path, 0)) return false;
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    const unsigned int got = file.Read(buffer.data(), static_cast<unsigned int>(buffer.size()));
    if (got == 0) break;
    out.append(buffer.data(), got);
  }
  file.Close();
  return true;
}

bool SameBytes(const CString& a, const CString& b) {
  std::string first, second;
  return ReadAll(a, first) && ReadAll(b, second) && first == second;
}

// The POSIX form of a file that need not exist yet: its folder's, then
// its own name with "/" for ":".
bool PosixOfFile(const CString& path, std::string& out) {
  CString folderPosix;
  if (!CZorbOS::convertPathWithNoLog(WithoutColon(FolderOf(path)), folderPosix)) return false;
  std::u16string name = Text(NameOf(path));
  for (char16_t& unit : name)
    if (unit == u'/') unit = u':';
  if (name.empty()) return false;
  std::u16string full = Text(folderPosix);
  if (full.empty() || full.back() != u'/') full += u'/';
  out = platform::utf16ToUtf8Lossy((full + name).c_str());
  return true;
}

// Puts the finished package at destination in one step: its bytes go to a
// sibling that is renamed over the old package, so an existing package
// stays whole until the new one is.
bool ReplaceWith(const CString& finished, const CString& destination) {
  std::string source, target;
  if (!PosixOfFile(finished, source) || !PosixOfFile(destination, target)) return false;
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  platform::AtomicFileWriter writer(target);
  if (writer.begin() != 0) return false;
  std::vector<char> buffer(kCopyChunk);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize got = in.gcount();
    if (got > 0 && writer.write(buffer.data(), static_cast<size_t>(got)) != 0) return false;
  }
  if (in.bad() || writer.commit() != 0) return false;
  const uint32_t type = CZorbOS::GetFileType(finished);
  const uint32_t creator = CZorbOS::GetFileCreator(finished);
  // The package's kind travels with it; without it the package still opens.
  if (CZorbOS::SetFileTypeAndCreator(destination, type, creator) != 0)
    Log(Logger::kDebug, u"Can't set the type of " + Text(destination), __LINE__);
  return true;
}

// What a YXP's leading "mimetype" entry holds.
constexpr char kYxpMimeType[] = "application/vnd.vesko.yxp";

// Asks the container to put a missing or misplaced mimetype first.
class RepairMimetype : public pkg::IPkgPolicies {
 public:
  int getPolicy(int policy) override {
    return policy == pkg::kPolicyMimetypeConformance ? pkg::kMimetypePolicyRepair : 0;
  }
};

// A YXP starts with its "mimetype" entry, stored: the zip tool writes none,
// so the archive is rewritten with it first. False, the archive as it was,
// when that cannot be done.
bool PutMimetypeFirst(const CString& archive) {
  std::string path;
  if (!PosixOfFile(archive, path)) return false;
  const std::string conforming = path + ".mimetype";
  RepairMimetype policy;
  try {
    std::shared_ptr<pkg::IPackage> zip = pkg::zip::ZipPackageFactory::getInstance()->openPackage(
        path, std::ios_base::in, nullptr, &policy, nullptr);
    zip->setMIMEType(kYxpMimeType);
    zip->saveAs(conforming, std::ios_base::in | std::ios_base::out | std::ios_base::trunc);
    zip->close();
  } catch (const std::exception&) {
    Log(Logger::kError, u"Can't add the mimetype entry to " + Text(archive), __LINE__);
    (void)platform::fileSystem().unlink(conforming);
    return false;
  }
  if (platform::fileSystem().rename(conforming, path, false) != 0) {
    (void)platform::fileSystem().unlink(conforming);
    return false;
  }
  return true;
}

int CountPrimaries(const CZorbExtension& extension) {
  int count = 0;
  for (const CZorbXmlObject* child : extension.m_products.m_children)
    if (const auto* product = dynamic_cast<const CZorbExtensionProduct*>(child))
      count += product->m_primary ? 1 : 0;
  return count;
}

bool IsTyped(const CZorbExtensionFile& entry) {
  return entry.m_fileType != 0 && entry.m_fileType != -1;
}

int FormatVersion(const CZorbExtension& extension) {
  CString licence;
  if (extension.GetLicenseAgreement(licence).GetLength() > 0) return kWideFormat;
  for (const CZorbXmlObject* child : extension.m_files.m_children) {
    const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
    if (entry != nullptr && IsTyped(*entry) && !CZorbString(entry->m_source).IsAscii())
      return kWideFormat;
  }
  return kPlainFormat;
}

}  // namespace

int CZorbPlexar::CreatePackage(const CString& description, const CString& package,
                               CZorbProduct* product, int packageType, bool skipChecks,
                               bool showProgress, bool severalPrimaries, bool quiet) {
  // Sources are taken below the description's folder whatever the product.
  (void)product;
  const CString savedRoot = m_sourceRoot;
  if (m_pUI == nullptr) {
    g_exitCode = kExitNotPackaged;
    return -1;
  }
  auto fail = [this](const CString& text) {
    m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kNotice, true);
  };
  const CString notPackaged = Message(kPackMsgNotPackaged);

  int result = 0;
  CString backup;
  std::unique_ptr<CZorbPackage> packager;
  bool progressShown = false;

  // Set-up and checks; each sets result and leaves the loop on failure.
  do {
    if (!CZorbOS::FileExists(description)) {
      fail(Message(kPackMsgMissing, description) + notPackaged);
      result = -1;
      break;
    }
    // The description is saved in place for packing; without a copy known
    // to hold its bytes it is not touched at all.
    if (!BackUpFile(u"KXIBK", description, backup) || !SameBytes(description, backup)) {
      if (backup.GetLength()) (void)DiscardFile(backup);
      backup.Empty();
      fail(Joined(Message(kPackMsgNoBackup, description), notPackaged));
      result = -1;
      break;
    }
    CZorbExtension extension;
    CZorbTypedList<CZorbString> errors;
    const int loaded =
        extension.LoadWithLoadResourceFlagAndCheck(description, false, &errors, nullptr);
    if (loaded == 0) {
      if (extension.Save(description) != 0) {
        fail(Joined(Message(kPackMsgNotPacked, description), notPackaged));
        result = -1;
        break;
      }
    }
    CString firstError;
    getFirstErrorMsg(errors, firstError);
    if (firstError.GetLength()) {
      fail(Joined(firstError, notPackaged));
      result = -1;
      break;
    }
    if (!(severalPrimaries && CountPrimaries(extension) > 1) && loaded != 0 &&
        loaded != kLoadNotPrimaryOnly) {
      const unsigned int id = loaded == kLoadMalformedTag   ? kPackMsgMalformedTag
                              : loaded == kLoadClimbingPath ? kPackMsgClimbingPath
                                                            : kPackMsgNotLoaded;
      fail(Joined(Message(id), notPackaged));
      result = loaded;
      break;
    }
    const int version = FormatVersion(extension);

    if (!skipChecks) {
      CZorbTypedVector<CString> lacks;
      CString name;
      if (extension.GetName(name).GetLength() == 0) lacks.push_back(Message(kPackMsgNoName));
      if (extension.m_version.IsEmpty()) lacks.push_back(Message(kPackMsgNoVersion));
      if (extension.m_products.m_children.empty()) lacks.push_back(Message(kPackMsgNoProduct));
      if (!lacks.empty()) {
        CString text = Message(kPackMsgLacks) + u"\r";
        for (const CString& item : lacks) text += CString(u"\r") + item;
        text += CString(u"\r\r") + notPackaged;
        fail(text);
        result = -1;
        break;
      }
      if (CountPrimaries(extension) == 0) {
        fail(Joined(Message(kPackMsgNoPrimary), notPackaged));
        result = -1;
        break;
      }
    }

    // Packing.
    const CString prefix = packageType == kPackageYxp   ? CString(u"yxp")
                           : packageType == kPackageKxp ? CString(u"kxp")
                                                        : CString();
    if (prefix.GetLength() == 0) {
      Log(Logger::kError, u"createPackage(): unknown file type.", __LINE__);
      if (!quiet) fail(notPackaged);
      result = -1;
      break;
    }
    const CString temporary = NewTempName(prefix.Get());
    packager.reset(CZorbPackageUtility::createPackager(packageType, nullptr));
    if (temporary.GetLength() == 0 || !packager) {
      fail(Joined(Message(kPackMsgNotCreated, temporary), notPackaged));
      result = -1;
      break;
    }
    packager->SetCreator(kCreator);
    result = packager->Create(temporary, version);
    if (result != 0) {
      fail(Joined(Message(kPackMsgNotCreated, temporary), notPackaged));
      packager.reset();
      (void)DiscardFile(temporary);
      break;
    }

    const int elements = static_cast<int>(extension.m_files.m_children.size());
    if (showProgress) {
      m_pUI->ShowProgress(Message(kPackMsgProgressTitle).Get(), u"", false);
      progressShown = true;
      m_pUI->SetProgressCount(packageType == kPackageYxp ? (elements + 1) * 3 : elements);
    }
    const CString folder = FolderOf(description);
    packager->SetRelativeRoot(folder);
    if (CZorbOS::SetFileTypeAndCreator(description, kTextType, kCreator) != 0)
      Log(Logger::kDebug, u"Can't set the type of " + Text(description), __LINE__);
    result = packager->PackFile(description, false, false);
    if (result != 0) {
      fail(Joined(Message(kPackMsgNotPacked, description), notPackaged));
      packager.reset();
      (void)DiscardFile(temporary);
      break;
    }
    if (showProgress) m_pUI->UpdateProgress(1);
    m_sourceRoot = folder;

    const bool kxp = packageType == kPackageKxp;
    int packed = 0;
    for (CZorbXmlObject* child : extension.m_files.m_children) {
      CZorbOS::AllowBackgroundProcessing();
      const auto* entry = dynamic_cast<const CZorbExtensionFile*>(child);
      if (entry == nullptr || !IsTyped(*entry)) continue;
      CZorbPath path = entry->m_source;
      // A source that leaves the description's folder is refused (the
      // person was told).
      if (LocalizeSource(path) != 0) {
        result = -1;
        break;
      }
      bool placeholder = false;
      if (kxp && entry->m_isEmptyFolder != 0) {
        if (!CZorbOS::DirectoryExists(path)) {
          if (!quiet) fail(Joined(Message(kPackMsgNoEmptyFolder, path), notPackaged));
          result = -1;
          break;
        }
        const CString parent = WithoutColon(FolderOf(path));
        if (!CZorbOS::CanWriteToDirectory(parent)) {
          if (!quiet) fail(Joined(Message(kPackMsgNotReadable, parent), notPackaged));
          result = -1;
          break;
        }
        if (!CZorbOS::RemoveDirectory(path)) {
          Log(Logger::kFatal, u"Can't remove directory: " + Text(path), __LINE__);
          continue;
        }
        CreateFileWithConstString(path, path);
        if (!CZorbOS::FileExists(path)) {
          Log(Logger::kFatal,
              u"The new dummy file for empty directory: " + Text(path) + u" does not exist",
              __LINE__);
          // The person's empty folder comes back whatever stopped the
          // placeholder.
          RecoverEmptyDirectory(entry, path);
          continue;
        }
        placeholder = true;
      }
      auto recover = [&] {
        if (placeholder) RecoverEmptyDirectory(entry, path);
      };
      if (CZorbOS::FileIsOpenWithExclusive(path)) {
        recover();
        fail(Message(kPackMsgFileBusy, path));
        result = -1;
        break;
      }
      if (!CZorbOS::FileExists(path) && !CZorbOS::DirectoryExists(path)) {
        recover();
        if (!quiet) fail(Joined(Message(kPackMsgMissing, path), notPackaged));
        result = -1;
        break;
      }
      result = packager->PackFile(path, true, false);
      recover();
      if (result != 0) {
        if (!quiet) {
          const bool readable = CZorbOS::DirectoryExists(path) || CZorbOS::CanReadFile(path);
          fail(Joined(Message(readable ? kPackMsgNotPacked : kPackMsgNotReadable, path),
                      notPackaged));
        }
        break;
      }
      ++packed;
      if (showProgress) m_pUI->UpdateProgress(packed + 1);
    }
    if (result == 0) {
      result = packager->PackComplete();
      if (result == 0 && packageType == kPackageYxp && !PutMimetypeFirst(temporary)) {
        if (!quiet) fail(notPackaged);
        result = -1;
      } else if (result == 0) {
        if (showProgress && !kxp) m_pUI->UpdateProgress(elements * 2);
        packager.reset();
        if (!ReplaceWith(temporary, package)) {
          fail(Message(kPackMsgNotReplaced));
          result = 1;
        } else if (showProgress && !kxp) {
          m_pUI->UpdateProgress(elements * 3);
        }
      } else if (!quiet) {
        fail(notPackaged);
      }
    }
    packager.reset();
    // The finished package was copied, or nothing of it is wanted.
    (void)DiscardFile(temporary);
  } while (false);

  if (progressShown) m_pUI->HideProgress();
  m_sourceRoot = savedRoot;
  if (backup.GetLength()) {
    // The person's description gets its own bytes and Finder info back;
    // the copy stays where it is when that cannot be done.
    bool restored = false;
    for (int attempt = 0; !restored && attempt < kRestoreAttempts; ++attempt)
      restored = CZorbOS::CopyFile(backup, description) && SameBytes(backup, description);
    if (restored) {
      (void)DiscardFile(backup);
    } else {
      Log(Logger::kFatal, u"Can't restore the description " + Text(description), __LINE__);
      CString format;
      CString text;
      if (format.LoadString(CZorbInstallTransaction::kNotRestoredMessage))
        text.Format(platform::RuntimeFormat(format.Get()), description, backup);
      fail(text);
      if (result == 0) result = -1;
    }
  }
  if (result == 0) {
    g_exitCode = kExitPackaged;
    m_pUI->MessageBox(Message(kPackMsgPackaged).Get(), CZorbPlexarUI::kNotice, false);
  } else {
    g_exitCode = kExitNotPackaged;
  }
  return result;
}
