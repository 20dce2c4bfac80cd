#include "messaging/PDBIterator.h"

#include <charconv>

#include "messaging/ArborTalkConnector.h"
#include "messaging/DebugAlert.h"
#include "messaging/PDBWrapper.h"

namespace Velt {

namespace {

constexpr char kProductCodeKey[] = "ProductCode";
constexpr char kTrue[] = "true";
constexpr char kHttps[] = "https://";

bool startsWith(const VtString& text, const VtString& prefix) {
  return text.length() >= prefix.length() && VtString(text.get(), prefix.length()) == prefix;
}

bool isHostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

void alert(const char* what, const VtString& subdomain, const VtString& key) {
  VtString text("PDBConnector: ");
  text << what << " (" << subdomain << ", key=" << key << ")";
  VT_DEBUG_ALERT(text.get());
}

}  // namespace

PDBIterator::PDBIterator()
    : mAppSubdomainPrefix(ArborTalkConnector::kAppSubdomainPrefix),
      mGroupKeyPrefix("Group"),
      mGroupSubdomainPrefix(ArborTalkConnector::kGroupSubdomainPrefix),
      mGuidKey("Specifier"),
      mLocationKey("Path"),
      mWinClassNameKey("WindowClassName"),
      mDisplayNameKey("DisplayName"),
      mBundleIdentifierKey("BundleIdentifier"),
      mArborTalkVersionKey("ArborTalkVersion"),
      mAllowMultipleInstancesKey("AllowMultipleInstances"),
      mIsShellToolKey("IsShellTool"),
      mMessageAuthenticationKey("MessageAuthentication"),
      mMessageDigestKey("MessageDigest"),
      mSupportsOrktKey("SupportsORKT"),
      mExecutableBasenameKey("ExecutableBasename"),
      mExecutableExtensionKey(ArborTalkConnector::kExecutableExtensionKey),
      mOMVDictionaryKey("OMVDictionary"),
      mDeveloperInstallPathKey("DeveloperInstallPath"),
      mRedirectToKey("RedirectTo") {}

PDBIterator::~PDBIterator() = default;

bool PDBIterator::run(PDBWrapper& wrapper) {
  [[maybe_unused]] const bool started = onStart(wrapper);
  if (!wrapper.isGood()) return false;
  wrapper.tarnGetLastModTime(&mInstallerTime);
  wrapper.pdbGetLastModTime(&mProductTime);

  const tarnDomain domain = wrapper.getDomain();
  tarnTextList subdomains = nullptr;
  const tarnStatus status = wrapper.pdbGetDomainDataSubdomains(domain, &subdomains);
  if (status == kTarnNoData) return true;
  if (status != kTarnSuccess) return false;
  for (tarnTextList s = subdomains; s != nullptr && *s != nullptr; ++s) {
    tarnTextList keys = nullptr;
    if (wrapper.pdbGetDomainDataKeys(domain, *s, &keys) != kTarnSuccess) return false;
    const VtString subdomain(*s);
    if (!startsWith(subdomain, mAppSubdomainPrefix)) continue;
    AKConnectorAppInfo info;
    onStartSubDomain(wrapper, subdomain, info);
    for (tarnTextList k = keys; k != nullptr && *k != nullptr; ++k)
      onKey(wrapper, subdomain, VtString(*k), info);
    onEndSubDomain(wrapper, subdomain, info);
  }
  onEnd(wrapper);
  return true;
}

bool PDBIterator::onStart(PDBWrapper&) {
  return true;
}

void PDBIterator::onEnd(PDBWrapper&) {}

bool PDBIterator::onStartSubDomain(PDBWrapper&, const VtString&, AKConnectorAppInfo&) {
  return true;
}

bool PDBIterator::onError(PDBWrapper&, const VtString&, const VtString&) {
  return false;
}

bool PDBIterator::isGroupSubdomain(const VtString& subdomain) const {
  VtString withSlash(subdomain);
  withSlash << '/';
  return startsWith(withSlash, mGroupSubdomainPrefix);
}

void PDBIterator::alertUnreadable(const VtString& subdomain, const VtString& key) {
  alert("Error while retrieving value for key", subdomain, key);
}

bool PDBIterator::onKey(PDBWrapper& wrapper, const VtString& subdomain, const VtString& key,
                        AKConnectorAppInfo& info) {
  if (!startsWith(subdomain, mAppSubdomainPrefix)) return true;
  const bool group = isGroupSubdomain(subdomain);
  if (group && !startsWith(key, mGroupKeyPrefix)) return true;

  const char* stored = nullptr;
  if (wrapper.pdbGetDomainData(wrapper.getDomain(), subdomain, key, &stored) != kTarnSuccess ||
      stored == nullptr) {
    alertUnreadable(subdomain, key);
    return onError(wrapper, subdomain, key);
  }
  const VtString value(stored);

  if (group) {
    // "<prefix>wb/3/arbor-2.0" gives the entry "wb/3/arbor-2.0".
    if (value.length() <= mGroupSubdomainPrefix.length() ||
        !startsWith(value, mGroupSubdomainPrefix))
      return true;
    const VtString entry(value.get() + mGroupSubdomainPrefix.length(),
                         value.length() - mGroupSubdomainPrefix.length());
    return onGroupInfo(wrapper, key, entry.lowercase());
  }

  if (key == mGuidKey || key == kProductCodeKey) {
    info.mSpecifier = value.lowercase();
  } else if (key == mLocationKey) {
    info.mLocation = value;
  } else if (key == mWinClassNameKey) {
    info.mWindowClassName = value;
  } else if (key == mDisplayNameKey) {
    info.mDisplayName = value;
  } else if (key == mBundleIdentifierKey) {
    info.mBundleIdentifier = value;
  } else if (key == mArborTalkVersionKey) {
    double version = 0;
    std::from_chars(value.get(), value.get() + value.length(), version);
    info.mArborTalkVersion = version;
  } else if (key == mAllowMultipleInstancesKey) {
    info.mAllowMultipleInstances = value == kTrue;
  } else if (key == mIsShellToolKey) {
    info.mIsShellTool = value == kTrue;
  } else if (key == mSupportsOrktKey) {
    info.mSupportsORKT = value == kTrue;
  } else if (key == mMessageAuthenticationKey) {
    info.mMessageAuthentication = value == kTrue;
  } else if (key == mMessageDigestKey) {
    info.mMessageDigest = value == kTrue;
  } else if (key == mExecutableBasenameKey) {
    info.mExecutableBasename = value;
    if (info.mLocation.length() == 0) info.mLocation = trustedURL(value);
  } else if (key == mExecutableExtensionKey) {
    info.mExecutableExtension = value;
  } else if (key == mOMVDictionaryKey) {
    info.mOMVDictionary = value;
  } else if (key == mDeveloperInstallPathKey) {
    info.mDeveloperInstallPath = value;
  } else if (key == mRedirectToKey) {
    info.mRedirectTo = value;
  } else {
    alert("Ignoring unknown key", subdomain, key);
  }
  return true;
}

bool PDBIterator::onEndSubDomain(PDBWrapper& wrapper, const VtString& subdomain,
                                 AKConnectorAppInfo& info) {
  if (isGroupSubdomain(subdomain)) return true;
  if (info.mSpecifier.length() == 0 && subdomain.length() > mAppSubdomainPrefix.length() + 1)
    info.mSpecifier = VtString(subdomain.get() + mAppSubdomainPrefix.length(),
                               subdomain.length() - mAppSubdomainPrefix.length());
  return info.mSpecifier.length() > 0 ? onAppInfo(wrapper, info) : true;
}

VtString PDBIterator::trustedURL(const VtString& text) {
  const VtString https(kHttps);
  if (!startsWith(text, https)) return VtString();
  // The host ends at the path, query or fragment; anything else that is
  // not a host name character (a port, user information) is not trusted.
  int32_t end = https.length();
  while (end < text.length() && isHostCharacter(text.get()[end])) ++end;
  if (end < text.length() && text.get()[end] != '/' && text.get()[end] != '?' &&
      text.get()[end] != '#')
    return VtString();
  const VtString host = VtString(text.get() + https.length(), end - https.length()).lowercase();
  // Only a whole label matches: "x.vesko.com", never "xvesko.com".
  VtString suffix(".");
  suffix << kTrustedDomainSuffix;
  if (host.length() <= suffix.length()) return VtString();
  const VtString hostEnd(host.get() + host.length() - suffix.length(), suffix.length());
  return hostEnd == suffix ? text : VtString();
}

}  // namespace Velt
