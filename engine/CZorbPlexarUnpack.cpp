// Opening packages, preparing service-framework bundles, and having their
// signatures checked.
#include <memory>
#include <string>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "package/CZorbPackage.h"
#include "package/CZorbPackageUtility.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

// What a package listing returns for a legacy package that can't be told
// from its description file.
constexpr int kListingAmbiguous = -4;

constexpr char16_t kBundleManifest[] = u"WBXS:manifest.xml";
constexpr char16_t kBundleManifestPosix[] = u"WBXS/manifest.xml";
constexpr char16_t kBundleSignatures[] = u"META-INF:signatures.xml";
constexpr char16_t kFormatManifest[] = u"META-INF:manifest.xml";
constexpr char16_t kFormatManifestPosix[] = u"META-INF/manifest.xml";
// A bundle id becomes one folder name: the longest a volume takes.
constexpr int32_t kMaxBundleIdLength = 255;

void log(Logger::Level level, const std::u16string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

std::u16string str(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

// A file (not a folder) at folder + ":" + relative.
bool fileBelow(const CString& folder, const char16_t* relative) {
  CZorbPath path(folder);
  path.Append(relative);
  return CZorbOS::FileExists(path) && !CZorbOS::isFolder(path);
}

}  // namespace

int CZorbPlexar::UnpackExtensionFile(bool showProgress, int& progressStep, const CString& package,
                                     CString& description, CString& installFolder,
                                     CZorbTypedVector<CString>& names, unsigned int& version,
                                     uint32_t& encoding, int packageType, int& standalone,
                                     CString& bundleFolder) {
  m_kxiFileName.Empty();
  std::unique_ptr<CZorbPackage> packager(CZorbPackageUtility::createPackager(packageType, package));
  if (!packager) return -1;
  packager->SetFileNameEncoding(encoding);

  const int listed = packager->UnPackFileNames(names);
  if (listed != 0) {
    const bool ambiguous = listed == kListingAmbiguous;
    ShowError(Message(ambiguous ? kMsgPackageDamaged : kMsgPackageUnreadable) + u" " +
              Message(ambiguous ? kMsgNotEnabled : kMsgNotInstalled));
    return -1;
  }

  for (const CString& name : names) {
    if (name.Find(u':') >= 0) continue;
    if (CZorbPath(name).GetExtension().CompareNoCase(u"kxi") == 0) {
      m_kxiFileName = name;
      break;
    }
  }

  if (!m_kxiFileName.GetLength()) {
    if (packageType != kPackageYxp) {
      ShowError(Message(kMsgNotAPackage, package));
      return -1;
    }
    if (!isYXPWBXSExtension(names)) {
      ShowError(Message(kMsgNeitherExtensionNorBundle, package) + u" " +
                Message(kMsgCheckThePackage));
      return -1;
    }
    standalone = 1;
    CZorbPath name(CZorbPath(package).GetFileName());
    name.SetExtension(u"kxi");
    m_kxiFileName = name;
  } else {
    standalone = 0;
  }

  CZorbPath install;
  if (createTempInstallPath(install) != 0) return -1;
  installFolder = install;

  CString target = installFolder;
  if (standalone == 1) {
    if (CreateTemporaryFolder(u"SCZ", bundleFolder) != 0) {
      ShowError(Message(kMsgFolderNotCreated, bundleFolder));
      bundleFolder.Empty();
      return -1;
    }
    target = bundleFolder;
  }

  // The packager logs why.
  if (packager->UnPackTo(target) != 0) return -1;

  if (showProgress && m_pUI) {
    const int count = static_cast<int>(names.size());
    const int total = static_cast<int>((2.0 * count - 2.0) * 1.1) + 1;
    m_pUI->SetProgressCount(total);
    progressStep = total / 10;
    if (progressStep > 0) m_pUI->UpdateProgress(progressStep);
  }

  description = installFolder + m_kxiFileName;
  m_kxiFileName = CZorbPath(m_kxiFileName).GetFileName();
  m_workingFolder = CZorbPath(description).GetFolder();
  version = packager->GetVersion();
  encoding = packager->GetFileNameEncoding();
  return 0;
}

bool CZorbPlexar::UnpackFile(const CString& package, const CString& folder, int& type) {
  const CString extension = CZorbPath(package).GetExtension();
  if (extension == u"kxp") {
    type = kPackageKxp;
  } else if (extension == u"yxp") {
    type = kPackageYxp;
  } else {
    log(Logger::kError, u"The input file: \"" + str(package) + u"\" is not KXP or YXP file",
        __LINE__);
    if (!CZorbOS::DeleteDirectoryWithoutRollback(folder, true))
      log(Logger::kDebug, u"Can't delete folder " + str(folder), __LINE__);
    return false;
  }

  std::unique_ptr<CZorbPackage> packager(CZorbPackageUtility::createPackager(type, package));
  if (!packager) {
    Logger::write(Logger::kFatal, "Fatal error, packager can not be created correctly", __FILE__,
                  __LINE__);
    if (!CZorbOS::DeleteDirectoryWithoutRollback(folder, true))
      log(Logger::kDebug, u"Can't delete folder " + str(folder), __LINE__);
    return false;
  }
  CZorbTypedVector<CString> names;
  // A package that can't be listed can't be unpacked either.
  if (packager->UnPackFileNames(names) != 0 || packager->UnPackTo(folder) != 0) {
    log(Logger::kError, u"Package file : \"" + str(package) + u"\" failed to unpacked", __LINE__);
    packager.reset();
    if (!CZorbOS::DeleteDirectoryWithoutRollback(folder, true))
      log(Logger::kDebug, u"Can't delete folder " + str(folder), __LINE__);
    return false;
  }
  return true;
}

int CZorbPlexar::CreateTemporaryFolder(const CString& prefix, CString& folder) {
  CZorbOS::getTempPathForFolderOperation(prefix, folder);
  if (folder.GetLength() && CZorbOS::CreateDirectory(folder, true)) return 0;
  log(Logger::kDebug, u"Error, can't create folder " + str(folder), __LINE__);
  return -1;
}

bool CZorbPlexar::PrepareWBXSExtensionFolder(const CString& folder, const CString& source,
                                             const CString& name, int kind, CString& out,
                                             int index) {
  if (folder.GetLength()) {
    CZorbPath localised(folder);
    // A folder that would leave the unpacked package is refused (the user
    // has been told): nothing outside it is taken for a bundle.
    if (LocalizeSource(localised) != 0) return false;
    out = localised;
    return true;
  }
  if (kind == 1) return true;
  if (CZorbPath(source).GetExtension().CompareNoCase(u"yxp") != 0) {
    ShowError(Message(kMsgBundleNotYxp, name));
    return false;
  }
  CZorbPath target(out);
  const std::string digits = std::to_string(index);
  target.Append(std::u16string(digits.begin(), digits.end()).c_str());
  out = target;
  if (!CZorbOS::CreateDirectory(out, true)) {
    ShowError(Message(kMsgFolderNotCreated, out));
    return false;
  }
  int type = 0;
  if (!UnpackFile(source, out, type)) {
    ShowError(Message(kMsgBundleNotUnpacked, source));
    return false;
  }
  return true;
}

bool CZorbPlexar::getFilePathForBrio(const CString& folder, const CString& relative, CString& out) {
  CString posix;
  if (!CZorbOS::convertPath(folder, posix)) {
    log(Logger::kError, u"Macintosh to Posix failed for " + str(folder), __LINE__);
    return false;
  }
  if (posix.GetLength() == 0 || posix.GetAt(posix.GetLength() - 1) != u'/') posix += u"/";
  posix += relative;
  out = posix;
  return true;
}

bool CZorbPlexar::GetWBXSIdAndVersion(const CString& folder, CString& id, CString& version) {
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (!proxy) {
    Logger::write(Logger::kFatal, "g_XMLParser is null", __FILE__, __LINE__);
    return false;
  }
  if (!fileBelow(folder, kBundleManifest)) {
    Logger::write(Logger::kFatal, "WBXS manifest doesn't exist.", __FILE__, __LINE__);
    return false;
  }
  CString manifest;
  if (!getFilePathForBrio(folder, kBundleManifestPosix, manifest)) return false;
  // A refusal leaves no pairs, which the count below rejects.
  proxy->getXMLinfoFromBareString(manifest, u"WBXS.Data");
  const CZorbGetXMLProxy::ResultMap& pairs = proxy->GetResults();
  if (pairs.size() != 1) {
    Logger::write(Logger::kFatal, "WBXS information be one element <id, version>", __FILE__,
                  __LINE__);
    return false;
  }
  id = pairs.begin()->first;
  version = pairs.begin()->second;
  return true;
}

bool CZorbPlexar::isWBXS1_4ExtensionDir(const CString& folder) {
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (!proxy) {
    Logger::write(Logger::kFatal, "g_XMLParser is null", __FILE__, __LINE__);
    return false;
  }
  if (!fileBelow(folder, kFormatManifest)) return false;
  CString manifest;
  if (!getFilePathForBrio(folder, kFormatManifestPosix, manifest)) return false;
  proxy->getXMLinfoFromBareString(manifest, u"WBXS.Version");
  const CZorbGetXMLProxy::ResultMap& pairs = proxy->GetResults();
  if (pairs.size() != 1) {
    Logger::write(Logger::kFatal, "WBXS information be one element <version, version number>",
                  __FILE__, __LINE__);
    return false;
  }
  return pairs.begin()->second == u"1.4";
}

bool CZorbPlexar::isValidWBXSExtensionDir(const CString& folder) {
  return fileBelow(folder, kBundleManifest) && fileBelow(folder, kBundleSignatures);
}

bool CZorbPlexar::isYXPWBXSExtension(const CZorbTypedVector<CString>& names) {
  bool manifest = false;
  bool signatures = false;
  for (const CString& name : names) {
    if (name.GetAt(0) == u':') continue;
    if (name.CompareNoCase(kBundleManifest) == 0) manifest = true;
    if (name.CompareNoCase(kBundleSignatures) == 0) signatures = true;
  }
  return manifest && signatures;
}

bool CZorbPlexar::IsPlainBundleId(const CString& id) {
  const int32_t length = id.GetLength();
  if (length == 0 || length > kMaxBundleIdLength) return false;
  if (id == u"." || id == u"..") return false;
  // "._name" is where a file's resource fork lives; listings hide it.
  if (length > 1 && id.GetAt(0) == u'.' && id.GetAt(1) == u'_') return false;
  for (int32_t i = 0; i < length; ++i) {
    const char16_t unit = id.GetAt(i);
    if (unit < 0x20 || unit == 0x7F || unit == u'/' || unit == u':') return false;
  }
  return true;
}

int CZorbPlexar::CreateKxiForStandaloneWBXSYxp(const CString& package,
                                               const CString& bundleFolder) {
  CString manifest;
  CString description;
  if (!getFilePathForBrio(bundleFolder, kBundleManifestPosix, manifest)) return -1;
  if (!getFilePathForBrio(m_workingFolder, m_kxiFileName, description)) return -1;
  if (!m_pUI) return -1;
  return m_pUI->CreateKXIFromStandaloneWBXS(manifest, description, CZorbPath(package).GetFileName())
             ? 0
             : -1;
}

bool CZorbPlexar::validateNonWBXS(const CString& name, const CString& package,
                                  CZorbTypedVector<CString>& results) {
  CZorbTypedVector<CString> arguments;
  arguments.push_back(CString(u"0"));
  arguments.push_back(name);
  CString posix;
  if (!CZorbOS::convertPath(package, posix)) {
    log(Logger::kError, u"Macintosh to Posix failed for " + str(package), __LINE__);
    ShowError(Message(kMsgSignaturesRefused, name) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  arguments.push_back(posix);
  // One package gives one group of texts; anything else is no answer.
  if (!m_pUI || !m_pUI->validation(arguments, results) || results.size() != 4) {
    ShowError(Message(kMsgSignaturesRefused, name) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  return true;
}

bool CZorbPlexar::validateWBXS(const CString& name, const WBXSMap& bundles,
                               CZorbTypedVector<CString>& results) {
  CZorbTypedVector<CString> arguments;
  arguments.push_back(CString(u"1"));
  arguments.push_back(name);
  for (const auto& [path, bundle] : bundles) {
    CString posix;
    if (!CZorbOS::convertPath(bundle.m_folders.m_source, posix)) {
      log(Logger::kError, u"Macintosh to Posix failed for " + str(bundle.m_folders.m_source),
          __LINE__);
      ShowError(Message(kMsgSignaturesRefused, name) + u" " + Message(kMsgNotInstalled));
      return false;
    }
    arguments.push_back(bundle.m_id);
    arguments.push_back(posix);
  }
  if (!m_pUI || !m_pUI->validation(arguments, results) || results.size() % 4 != 0) {
    ShowError(Message(kMsgSignaturesRefused, name) + u" " + Message(kMsgNotInstalled));
    return false;
  }
  return true;
}

void CZorbPlexar::addSignInfo(CZorbExtension* extension, const CZorbTypedVector<CString>& results,
                              const CString& extensionType) {
  if (!extension) return;
  for (size_t i = 0; i + 4 <= results.size(); i += 4)
    extension->addSignInfo(results[i], results[i + 1] == u"1", results[i + 3], results[i + 2],
                           extensionType);
}
