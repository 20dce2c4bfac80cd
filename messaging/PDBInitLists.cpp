#include "messaging/PDBInitLists.h"

#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/PDBWrapper.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

// The domains a configuration path is read from: the installer's payload
// data, the product database's own, and the installer's base domain.
constexpr tarnDomain kInstallerPayloadDomain = 4;
constexpr tarnDomain kProductDomain = 1;
constexpr tarnDomain kInstallerBaseDomain = 0;
constexpr char kShellToolExtension[] = ".term";
constexpr char kApplicationExtension[] = ".app";

// The configuration path of an installer payload: from the installer's
// payload data, else the product database, else the installer's base
// domain. An empty value counts as none.
VtString configPathOf(PDBWrapper& wrapper, const char* payload) {
  const char* path = nullptr;
  if (wrapper.tarnGetPayloadData(payload, kInstallerPayloadDomain, PDBInitLists::kConfigPathKey,
                                 &path) == kTarnSuccess &&
      path != nullptr && *path != '\0')
    return VtString(path);
  path = nullptr;
  if (wrapper.pdbGetDomainData(kProductDomain, payload, PDBInitLists::kConfigPathKey, &path) ==
          kTarnSuccess &&
      path != nullptr && *path != '\0')
    return VtString(path);
  path = nullptr;
  if (wrapper.tarnGetPayloadData(payload, kInstallerBaseDomain, PDBInitLists::kConfigPathKey,
                                 &path) == kTarnSuccess &&
      path != nullptr && *path != '\0')
    return VtString(path);
  return VtString();
}

int32_t lastIndexOf(const VtString& text, char c) {
  for (int32_t i = text.length() - 1; i >= 0; --i)
    if (text.get()[i] == c) return i;
  return -1;
}

}  // namespace

PDBInitLists::PDBInitLists(AKConnectorAppInfoList& apps, VtVector<VtString>& groups)
    : mApps(apps), mGroups(groups) {}

PDBInitLists::~PDBInitLists() = default;

void PDBInitLists::clearGroups() {
  for (int32_t i = mGroups.length() - 1; i >= 0; --i) delete mGroups.removeAt(i);
}

bool PDBInitLists::onStart(PDBWrapper& wrapper) {
  mApps.clear();
  clearGroups();
  mJoins.clear();
  tarnTextList subdomains = nullptr;
  const tarnStatus status = wrapper.pdbGetDomainDataSubdomains(kProductDomain, &subdomains);
  if (status != kTarnSuccess) return status == kTarnNoData;
  for (tarnTextList s = subdomains; s != nullptr && *s != nullptr; ++s) {
    // Installer payloads are named by their ids in braces.
    if ((*s)[0] != '{') continue;
    const VtString configPath = configPathOf(wrapper, *s);
    if (configPath.length() == 0) continue;
    for (int32_t n = 0;; ++n) {
      VtString key(ArborTalkConnector::kArborTalkCodeKey);
      if (n > 0) key << n;
      const char* code = nullptr;
      if (wrapper.pdbGetDomainData(kProductDomain, *s, key, &code) != kTarnSuccess ||
          code == nullptr)
        break;
      if (*code != '\0') mJoins.push_back({VtString(code).lowercase(), configPath});
    }
  }
  return true;
}

void PDBInitLists::onEnd(PDBWrapper&) {
  mApps.resolveRedirectTo();
}

bool PDBInitLists::onStartSubDomain(PDBWrapper&, const VtString&, AKConnectorAppInfo&) {
  mSubdomainFailed = false;
  return true;
}

bool PDBInitLists::onError(PDBWrapper&, const VtString& subdomain, const VtString& key) {
  alertUnreadable(subdomain, key);
  // Only the application being read is lost; those read before it stay.
  mSubdomainFailed = true;
  return false;
}

bool PDBInitLists::onAppInfo(PDBWrapper&, AKConnectorAppInfo& info) {
  if (mSubdomainFailed || info.mSpecifier.length() == 0) return true;
  if (info.mWindowClassName.length() == 0)
    info.mWindowClassName = ArborTalk::Specifier(info.mSpecifier, false).appName();
  if (info.mLocation.length() == 0) {
    VtString code(mAppSubdomainPrefix);
    code << info.mSpecifier.lowercase();
    for (const PayloadJoin& join : mJoins) {
      if (join.code != code) continue;
      info.mLocation = getLocationFromKMTConfigPath(info, join.configPath);
      break;
    }
    if (info.mLocation.length() == 0 && info.mDeveloperInstallPath.length() > 0)
      info.mLocation = getLocationFromKMTConfigPath(info, info.mDeveloperInstallPath);
  }
  if (info.mLocation.length() == 0 && info.mRedirectTo.length() == 0) {
    VtString text("PDBConnector: Can't find location information for ");
    text << info.mSpecifier << '\n';
    debugStr(text.get());
    return true;
  }
  mApps.append(new AKConnectorAppInfo(info));
  return true;
}

bool PDBInitLists::onGroupInfo(PDBWrapper&, const VtString&, const VtString& entry) {
  mGroups.append(new VtString(entry));
  return true;
}

VtString PDBInitLists::getLocationFromKMTConfigPath(const AKConnectorAppInfo& info,
                                                    const VtString& path) {
  if (info.mExecutableBasename.length() == 0) {
    VtString text("PDBConnector: ExecutableBasename is missing for ");
    text << info.mSpecifier << '\n';
    debugStr(text.get());
    return VtString();
  }
  if (info.mDeveloperInstallPath.length() > 0) return info.mDeveloperInstallPath;
  if (path.length() == 0) return VtString();
  VtString folder(path);
  if (lastIndexOf(folder, '.') >= 0) {
    const char separator = ArborTalkUtils::getFolderSeparator()[0];
    for (int i = 0; i < kConfigPathDepth; ++i) {
      const int32_t at = lastIndexOf(folder, separator);
      if (at < 0) {
        folder = VtString();
        break;
      }
      folder.shrink(at);
    }
  }
  if (folder.length() == 0) return VtString();
  folder << ArborTalkUtils::getFolderSeparator() << info.mExecutableBasename;
  if (info.mExecutableExtension.length() > 0)
    folder << '.' << info.mExecutableExtension;
  else
    folder << (info.mIsShellTool ? kShellToolExtension : kApplicationExtension);
  return folder;
}

}  // namespace Velt
