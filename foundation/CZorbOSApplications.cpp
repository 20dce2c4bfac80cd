#include "foundation/CZorbOS.h"

#include <algorithm>

#include "foundation/Logger.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "platform/os/ResourceMap.h"
#include "platform/os/Utf.h"
#include "platform/widechar/WideChar.h"

namespace {

constexpr size_t kPathUnits = 2048;

int32_t openWithDesktop(const std::string& url) {
  pid_t pid = -1;
  int err = platform::spawnDetached({"xdg-open", url}, "/", pid);
  return err == 0 ? platform::noErr : platform::macStatusFromErrno(err);
}

int32_t (*g_opener)(const std::string&) = &openWithDesktop;

// The colon path of a reference into the buffer (2048 units with the
// terminator). False, the buffer untouched, when the item lies on none of
// the machine's volumes or its path does not fit: neither finds anything.
bool writePath(const platform::FSRef& ref, char16_t* buf) {
  if (buf == nullptr) return false;
  const CString path = CZorbOS::GetFilePathFromFSRef(ref);
  // A path cut to fit the buffer would name another folder.
  if (path.GetLength() <= 0 || static_cast<size_t>(path.GetLength()) >= kPathUnits) return false;
  CZorbOS::GetFilePathFromFSRef(ref, buf, kPathUnits);
  return true;
}

bool inRange(const CZorbVersionNumber& version, const CZorbVersionNumber& min,
             const CZorbVersionNumber& max) {
  if (version < min) return false;
  return max.IsEmpty() || version < max;
}

std::string utf8(const char16_t* text) {
  if (text == nullptr) return {};
  auto out = platform::utf16ToUtf8(std::u16string_view(text, platform::wcslen(text)));
  return out ? *out : std::string();
}

bool equalsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && platform::foldCase(a) == platform::foldCase(b);
}

// Whether the application takes the role asked for: a viewer may be any
// application that opens the files, an editor must say it edits them.
bool takesRole(const std::string& role, bool editor) {
  if (equalsNoCase(role, "Editor")) return true;
  return !editor && equalsNoCase(role, "Viewer");
}

bool refOf(const platform::BundleInfo& bundle, platform::FSRef& ref) {
  return platform::makeRef(bundle.path, ref) == platform::noErr;
}

// The bundle created last; of several created at once, the first.
const platform::BundleInfo* newest(const std::vector<const platform::BundleInfo*>& found) {
  const platform::BundleInfo* best = nullptr;
  for (const auto* bundle : found)
    if (best == nullptr || platform::createdLater(*bundle, *best)) best = bundle;
  return best;
}

// Text of a version as a bundle or a resource gives it.
CZorbVersionNumber versionFrom(const std::string& text) {
  CZorbVersionNumber version;
  auto wide = platform::utf8ToUtf16(text);
  if (wide) version = wide->c_str();
  return version;
}

}  // namespace

bool CZorbOS::GetCurrentProcessPath(char16_t* buf) {
  std::string bundle = platform::bundleOfCurrentProcess();
  platform::FSRef ref;
  if (bundle.empty() || platform::makeRef(bundle, ref) != platform::noErr) return false;
  return writePath(ref, buf);
}

bool CZorbOS::IsPackage(const platform::FSRef& item, platform::BundleInfo& bundle) {
  if (item.isNull() || !platform::isBundleFolder(item.path)) return false;
  return platform::readBundle(item.path, bundle) == platform::noErr;
}

bool CZorbOS::GetFileVersionNumber(const platform::FSRef& app, uint32_t,
                                   CZorbVersionNumber& version, bool) {
  platform::BundleInfo bundle;
  if (IsPackage(app, bundle)) {
    const std::string& text = !bundle.version.empty() ? bundle.version : bundle.shortVersion;
    if (!text.empty()) {
      version = versionFrom(text);
    } else {
      uint32_t none = 0;
      version = none;
    }
    return true;
  }
  // A plain file: the short version of its 'vers' resource 1, a Pascal
  // string 6 bytes in.
  std::string data;
  if (app.isNull() ||
      platform::readResource(app, platform::fourCC("vers"), 1, data) != platform::noErr)
    return false;
  if (data.size() < 7) return false;
  size_t length = static_cast<unsigned char>(data[6]);
  if (length == 0 || data.size() < 7 + length) return false;
  // Version texts are ASCII; other bytes read as Latin-1 rather than fail.
  std::u16string text;
  for (size_t i = 0; i < length; ++i)
    text += static_cast<char16_t>(static_cast<unsigned char>(data[7 + i]));
  version = text.c_str();
  return true;
}

bool CZorbOS::GetFileCarbonized(platform::FSRef& app) {
  platform::BundleInfo bundle;
  return IsPackage(app, bundle) && platform::hasRunnableExecutable(bundle);
}

void CZorbOS::NormalizePackagedAppFSRef(platform::FSRef& ref) {
  // <bundle>/Contents/MacOS/<executable>: three folders up.
  constexpr int kLevelsToBundle = 3;
  platform::FSRef step = ref;
  for (int i = 0; i < kLevelsToBundle; ++i) {
    std::string parent = platform::refFolderPath(step);
    if (parent.empty() || platform::makeRef(parent, step) != platform::noErr) return;
  }
  if (platform::isBundleFolder(step.path)) ref = step;
}

bool CZorbOS::IsAppRunning(uint32_t creator, const CZorbVersionNumber& min,
                           const CZorbVersionNumber& max, bool (*filter)(const platform::FSRef&)) {
  platform::FSRef app;
  platform::ProcessSerialNumber psn;
  if (FindProcess(creator, app, psn) != platform::noErr) return false;
  CZorbVersionNumber version;
  if (!GetFileVersionNumber(app, creator, version, false)) return false;
  if (!inRange(version, min, max)) return false;
  return filter == nullptr || filter(app);
}

bool CZorbOS::FindAppFromLaunchServices(uint32_t creator, platform::FSRef& app,
                                        const char16_t* bundleId) {
  std::string id = utf8(bundleId);
  std::vector<platform::BundleInfo> all = platform::findInstalledApplications();
  std::vector<const platform::BundleInfo*> found;
  for (const auto& bundle : all) {
    if (bundle.creator() != creator) continue;
    if (!id.empty() && !equalsNoCase(bundle.identifier, id)) continue;
    found.push_back(&bundle);
  }
  const platform::BundleInfo* best = newest(found);
  return best != nullptr && refOf(*best, app);
}

bool CZorbOS::FindAppFromLaunchServices(platform::FSRef& app, const char16_t* extension,
                                        uint32_t fileType) {
  std::string ext = utf8(extension);
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  std::vector<platform::BundleInfo> all = platform::findInstalledApplications();
  std::vector<const platform::BundleInfo*> found;
  for (const auto& bundle : all) {
    bool opens = false;
    for (const auto& type : bundle.documentTypes) {
      if (!takesRole(type.role, true)) continue;
      for (const auto& e : type.extensions)
        if (!ext.empty() && equalsNoCase(e, ext)) opens = true;
      if (fileType != 0 &&
          std::find(type.fileTypes.begin(), type.fileTypes.end(), fileType) != type.fileTypes.end())
        opens = true;
    }
    if (opens) found.push_back(&bundle);
  }
  const platform::BundleInfo* best = newest(found);
  return best != nullptr && refOf(*best, app);
}

bool CZorbOS::FindAppFromDesktopCatalog(uint32_t creator, platform::FSRef& app,
                                        const CZorbVersionNumber& min,
                                        const CZorbVersionNumber& max,
                                        bool (*filter)(const platform::FSRef&), bool localOnly) {
  std::vector<platform::BundleInfo> all = platform::findInstalledApplications();
  const platform::BundleInfo* best = nullptr;
  platform::FSRef bestRef;
  for (const auto& bundle : all) {
    if (bundle.creator() != creator) continue;
    if (localOnly && platform::isOnNetworkVolume(bundle.path)) continue;
    platform::FSRef ref;
    if (!refOf(bundle, ref)) continue;
    NormalizePackagedAppFSRef(ref);
    if (!GetFileCarbonized(ref)) continue;
    CZorbVersionNumber version;
    if (!GetFileVersionNumber(ref, creator, version, false)) continue;
    if (!inRange(version, min, max)) continue;
    if (filter != nullptr && !filter(ref)) continue;
    if (best == nullptr || platform::createdLater(bundle, *best)) {
      best = &bundle;
      bestRef = ref;
    }
  }
  if (best == nullptr) return false;
  app = bestRef;
  return true;
}

bool CZorbOS::FindApp(uint32_t creator, const CZorbVersionNumber& min,
                      const CZorbVersionNumber& max, bool (*filter)(const platform::FSRef&),
                      char16_t* path) {
  // A running application first: any of that signature in the range.
  for (const auto& process : platform::runningProcesses()) {
    if (process.bundlePath.empty()) continue;
    platform::BundleInfo bundle;
    platform::FSRef ref;
    if (platform::readBundle(process.bundlePath, bundle) != platform::noErr ||
        bundle.creator() != creator ||
        platform::makeRef(process.bundlePath, ref) != platform::noErr)
      continue;
    CZorbVersionNumber version;
    if (!GetFileVersionNumber(ref, creator, version, false) || !inRange(version, min, max))
      continue;
    if (filter != nullptr && !filter(ref)) continue;
    // A copy running outside the machine's volumes cannot be named; the
    // installed ones still can.
    if (writePath(ref, path)) return true;
  }
  platform::FSRef app;
  if (platform::PlatformConfig::current().systemVersion >= 0x1000 &&
      FindAppFromLaunchServices(creator, app, nullptr)) {
    CZorbVersionNumber version;
    if (GetFileVersionNumber(app, creator, version, false) && inRange(version, min, max) &&
        writePath(app, path))
      return true;
  }
  if (FindAppFromDesktopCatalog(creator, app, min, max, filter, true)) return writePath(app, path);
  return false;
}

bool CZorbOS::FindApp(uint32_t creator, const CZorbVersionNumber& min,
                      const CZorbVersionNumber& max, char16_t* path) {
  return FindApp(creator, min, max, nullptr, path);
}

bool CZorbOS::IsAppInstalled(uint32_t creator, const CZorbVersionNumber& min,
                             const CZorbVersionNumber& max) {
  char16_t scratch[kPathUnits];
  return FindApp(creator, min, max, scratch);
}

bool CZorbOS::FindAppByBundleID(uint32_t creator, const char16_t* bundleId,
                                const CZorbVersionNumber& min, const CZorbVersionNumber& max,
                                char16_t* path) {
  platform::FSRef app;
  platform::ProcessSerialNumber psn;
  CZorbVersionNumber version;
  if (FindProcess(creator, app, psn) == platform::noErr &&
      GetFileVersionNumber(app, creator, version, false) && inRange(version, min, max) &&
      writePath(app, path))
    return true;
  if (platform::PlatformConfig::current().systemVersion >= 0x1000 &&
      FindAppFromLaunchServices(creator, app, bundleId) &&
      GetFileVersionNumber(app, creator, version, false) && inRange(version, min, max) &&
      writePath(app, path))
    return true;
  if (FindAppFromDesktopCatalog(creator, app, min, max, nullptr, true)) return writePath(app, path);
  return false;
}

bool CZorbOS::FindAppByExtension(uint32_t, uint32_t fileType, const char16_t* extension,
                                 const CZorbVersionNumber&, const CZorbVersionNumber&,
                                 char16_t* path) {
  if (platform::PlatformConfig::current().systemVersion < 0x1000) return false;
  platform::FSRef app;
  if (!FindAppFromLaunchServices(app, extension, fileType)) return false;
  return writePath(app, path);
}

bool CZorbOS::FindDefaultBrowser(platform::FSRef& app) {
  std::vector<platform::BundleInfo> all = platform::findInstalledApplications();
  std::vector<const platform::BundleInfo*> found;
  for (const auto& bundle : all) {
    for (const auto& type : bundle.documentTypes) {
      if (!takesRole(type.role, false)) continue;
      if (std::any_of(type.extensions.begin(), type.extensions.end(),
                      [](const std::string& e) { return equalsNoCase(e, "html"); })) {
        found.push_back(&bundle);
        break;
      }
    }
  }
  const platform::BundleInfo* best = newest(found);
  return best != nullptr && refOf(*best, app);
}

int32_t CZorbOS::BrowseTo(const char16_t* url) {
  if (url == nullptr) return platform::paramErr;
  std::u16string text(url, platform::wcslen(url));
  size_t first = text.find(u':');
  if (first != std::u16string::npos)
    std::replace(text.begin() + static_cast<std::ptrdiff_t>(first) + 1, text.end(), u':', u'/');
  auto bytes = platform::utf16ToUtf8(text);
  if (!bytes || bytes->empty()) return platform::paramErr;
  return g_opener(*bytes);
}

void CZorbOS::SetURLOpener(int32_t (*opener)(const std::string& url)) {
  g_opener = opener != nullptr ? opener : &openWithDesktop;
}
