// Migration: extension packages that earlier installers left in a host's
// preferred folder are recorded as installed for that host, and the
// packages are moved aside so that they are not migrated twice.
#include <string>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionPaths.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbString.h"
#include "foundation/Logger.h"
#include "products/CZorbProduct.h"
#include "transaction/CInstallCopyFile.h"
#include "transaction/CInstallDeleteFile.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

// Progress is counted in hundredths of a product.
constexpr int kProgressPerProduct = 100;
// Failed packages named in the message; more are shown as "...".
constexpr int kNamedFailures = 10;
constexpr unsigned int kMigrateMsgNotMigrated = 4219;
constexpr char16_t kRemovedFolder[] = u"REMOVED";

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

void Log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

std::u16string Quoted(const CString& path) {
  return u"\"" + Text(path) + u"\"";
}

CString WithExtension(const CString& path, const char16_t* extension) {
  CZorbPath out = path;
  out.SetExtension(extension);
  return out;
}

bool Suppressed() {
  return g_isInSuppressMode.load();
}

}  // namespace

void CZorbPlexar::migrateExtensionsFromProductsPreferredFolders() {
  if (m_importCount <= 0) return;
  m_migratedProducts = 0;
  m_migratedExtensions = 0;
  const int total = m_importCount * kProgressPerProduct;
  if (m_pUI) m_pUI->SetProgressCount(total);
  bool first = true;
  for (CZorbProduct* product : m_products) {
    if (product == nullptr || !product->IsAKInitializeSuccess() || !product->IsInstalled() ||
        !product->m_needsMigration)
      continue;
    if (first && m_pUI && !Suppressed()) m_pUI->UpdateProgress(1);
    first = false;
    (void)migrateExtensionsFromProductPreferredFolder(product);
  }
  if (m_migratedExtensions > 0 && m_pUI && !Suppressed()) m_pUI->UpdateProgress(total);
}

bool CZorbPlexar::migrateExtensionsFromProductPreferredFolder(CZorbProduct* product) {
  if (product == nullptr || product->m_preferredExtensionFolder.GetLength() == 0) return false;
  const CString preferred = product->m_preferredExtensionFolder;
  CZorbTypedVector<CString> packages;
  scanFilesFromByExtensionName(preferred, packages, u"kxp");
  scanFilesFromByExtensionName(preferred, packages, u"yxp");

  CString store;
  getPXStoreFromProductOrPlexo(product, store);
  CString hostFolder;
  product->GetExtensionsFolder(hostFolder);

  bool migrated = false;
  int failures = 0;
  CString failed;
  const int count = static_cast<int>(packages.size());
  int done = 1;
  for (const CString& package : packages) {
    if (store.GetLength() > 0 &&
        migrateExtensionFromExtensionFile(package, store, hostFolder, product)) {
      if (m_migratedExtensions > 0 && m_pUI && !Suppressed())
        m_pUI->UpdateProgress((m_migratedProducts * count + done) * kProgressPerProduct / count);
      ++done;
      migrated = true;
      continue;
    }
    ++failures;
    if (failures <= kNamedFailures)
      failed += NameOf(package) + u",";
    else if (failures == kNamedFailures + 1)
      failed += u"...,";
  }
  ++m_migratedProducts;

  if (failed.GetLength() > 0) {
    failed.Delete(failed.GetLength() - 1, 1);
    CString name;
    product->GetDisplayName(name);
    CString format;
    CString text;
    if (format.LoadString(kMigrateMsgNotMigrated))
      text.Format(platform::RuntimeFormat(format.Get()), failed, name);
    Log(Logger::kError, u"Packages not migrated: " + Text(failed), __LINE__);
    if (m_pUI && !Suppressed()) m_pUI->MessageBox(text.Get(), CZorbPlexarUI::kNotice, false);
  }
  return migrated;
}

bool CZorbPlexar::migrateExtensionFromExtensionFile(const CString& package, const CString& store,
                                                    const CString& hostExtensionsFolder,
                                                    CZorbProduct* product) {
  // The store holds this very package: it was migrated before.
  const CString stored = WithColon(store) + NameOf(package);
  CZorbDateTime storedStamp;
  CZorbDateTime packageStamp;
  if (CZorbOS::FileExists(stored) && CZorbOS::GetFileDateTime(stored, storedStamp) &&
      CZorbOS::GetFileDateTime(package, packageStamp) && storedStamp == packageStamp)
    return true;

  const CString savedName = m_kxiFileName;
  m_kxiFileName = NameOf(package);
  CZorbPath unpackFolder;
  const int made = createTempInstallPath(unpackFolder);
  m_kxiFileName = savedName;
  if (made != 0) {
    Log(Logger::kError, u"Create tmp path: " + Quoted(package) + u" failed", __LINE__);
    return false;
  }
  int type = 0;
  if (!UnpackFile(package, unpackFolder, type)) return false;

  const CZorbPath description = WithExtension(unpackFolder + NameOf(package), u"kxi");
  const CString savedRoot = m_sourceRoot;
  m_sourceRoot = unpackFolder;
  bool ok = false;
  {
    CZorbInstallTransaction::Scope scope(m_transaction);
    ok = migrateFiles(store, unpackFolder, description, CZorbPath(package),
                      CZorbPath(hostExtensionsFolder), product, type);
    if (ok)
      scope.Commit(CZorbInstallTransaction::Order::kLastToFirst);
    else
      (void)scope.Rollback(m_pUI);
  }
  m_sourceRoot = savedRoot;
  if (!CZorbOS::DeleteDirectoryWithoutRollback(WithoutColon(unpackFolder), true))
    Log(Logger::kDebug, u"Can't delete folder " + Text(unpackFolder), __LINE__);
  return ok;
}

bool CZorbPlexar::migrateFiles(const CString& store, const CZorbPath& unpackFolder,
                               const CZorbPath& description, const CZorbPath& package,
                               const CZorbPath& hostExtensionsFolder, CZorbProduct* product,
                               int packageType) {
  (void)unpackFolder;  // the sources lie below it through the source root
  if (product == nullptr) return false;
  const CString converted = WithExtension(description, u"kxi_brio");

  CZorbDateTime stamp;
  if (!CZorbOS::GetFileDateTime(package, stamp)) {
    Log(Logger::kError, u"Can't get time stamp for kxp/yxp file: " + Text(package), __LINE__);
    return false;
  }
  if (!CZorbOS::CopyFile(description, converted)) {
    Log(Logger::kError, u"KXI file copied to : " + Quoted(converted) + u" failed.", __LINE__);
    return false;
  }

  CZorbExtension extension;
  CZorbTypedList<CZorbString> errors;
  const int loaded =
      extension.LoadWithLoadResourceFlagAndCheck(description, true, &errors, nullptr);
  if (loaded != 0) {
    Log(Logger::kError, u"Extension file : " + Quoted(description) + u" failed to load.", __LINE__);
    return false;
  }
  if (!errors.empty()) {
    CString first;
    getFirstErrorMsg(errors, first);
    Log(Logger::kError,
        u"Extension file : " + Quoted(description) + u" failed to load. " + Text(first), __LINE__);
    return false;
  }
  extension.m_writePackageType = true;
  extension.m_packageType = packageType;

  const CString folder = WithColon(store);
  const CString storedDescription = folder + NameOf(description);
  const CString storedConverted = folder + NameOf(converted);
  const CString storedPackage = folder + NameOf(package);
  const CString host = hostExtensionsFolder.GetLength() > 0
                           ? WithColon(hostExtensionsFolder) + NameOf(description)
                           : CString();

  auto remove = [this](const CString& path) {
    if (m_transaction.Add(new CInstallDeleteFile(path)) == 0) return true;
    Log(Logger::kDebug, u"Failed to delete file " + Text(path), __LINE__);
    return false;
  };
  auto copy = [this](const CString& from, const CString& to) {
    if (m_transaction.Add(new CInstallCopyFile(from, to, false, false)) == 0) return true;
    Log(Logger::kDebug, u"file: " + Text(to) + u"failed to copy ", __LINE__);
    return false;
  };

  if (CZorbOS::FileExists(storedDescription)) {
    CZorbExtension installed;
    if (installed.LoadWithLoadResourceFlagAndCheck(storedDescription, true, nullptr, nullptr) ==
            0 &&
        !checkWhetherNeedUpdate(extension, installed)) {
      // As new as what the host has already: nothing to record.
      Log(Logger::kError,
          u"existed destinated file : " + Quoted(storedDescription) + u" failed to delete.",
          __LINE__);
      return true;
    }
    if (!remove(storedDescription)) return false;
  }

  if (extension.SaveWithoutConfigChangeSection(converted) != 0) {
    Log(Logger::kError, u"Extension file : " + Quoted(converted) + u" failed to save.", __LINE__);
    return false;
  }
  if (extension.Save(description) != 0) {
    Log(Logger::kError, u"Extension file : " + Quoted(description) + u" failed to save.", __LINE__);
    return false;
  }

  for (const CString& old : {storedPackage, storedConverted, host})
    if (old.GetLength() > 0 && CZorbOS::FileExists(old) && !remove(old)) return false;

  if (!copy(description, storedDescription)) return false;
  if (!CZorbOS::SetFileDateTime(storedDescription, stamp))
    Log(Logger::kDebug, u"Can't set the time of " + Text(storedDescription), __LINE__);
  if (!copy(converted, storedConverted) || !copy(package, storedPackage)) return false;

  // The package moves aside, so the next migration passes it over.
  const CString removed = WithColon(product->m_preferredExtensionFolder) + kRemovedFolder;
  if (!CZorbOS::DirectoryExists(removed) && !EnsureFolderExists(removed)) return false;
  if (!copy(package, WithColon(removed) + NameOf(package))) return false;
  if (m_transaction.Add(new CInstallDeleteFile(package)) != 0)
    Log(Logger::kDebug, u"Failed to delete file " + Text(package), __LINE__);

  if (host.GetLength() > 0 && !copy(storedDescription, host)) return false;

  // The path file is written outside the steps: one made here goes again
  // when the steps are rolled back.
  const CString pathFile = WithExtension(storedDescription, u"kxi_path");
  const bool hadPathFile = ItemExists(pathFile);
  CZorbExtensionPaths plugins;
  if (!checkAndGenerateKXIPathFile(product, &extension, CZorbPath(pathFile), &plugins)) {
    if (!hadPathFile) (void)DiscardFile(pathFile);
    return false;
  }
  ++m_migratedExtensions;
  if (updatePluginFile(&extension, product, plugins, true)) return true;
  if (!hadPathFile) (void)DiscardFile(pathFile);
  return false;
}
