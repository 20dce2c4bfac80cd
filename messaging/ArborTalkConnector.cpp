#include "messaging/ArborTalkConnector.h"

#include <atomic>
#include <charconv>
#include <utility>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/Launcher.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

std::atomic<ArborTalkConnector*> gCurrent{nullptr};
std::atomic<bool> gExited{false};

// The applications that are registered when they answer a ping although
// the store does not know them.
constexpr const char* kKnownApplications[] = {
    "docuvane-8.0",
    "vectora-13.0-en_us",
    "pagecraft-5.0-en_us",
    "pixmere-10.0-en_us",
    "motionforge-8.0",
    "wavecut-3.0",
    "discmaker-3.0",
    "reelhousepro-3.0-en_us",
    "chorale-4.5",
    "loomwright-9.0",
    "emberly-9.0",
    "lumen-9.0-en_us",
    "arbor-2.0",
    "handsethub-1.0",
    "pagecraftserver-5.0-en_us",
    "textcraft-5.0-en_us",
    "sitewing-9.0",
    "tonebox-1.0",
    "qrelt-1.0",
    "orkit-2.0",
    "gantry-2.0",
    "pylon-2.0",
};

constexpr char kRunningPath[] = "(running)";
constexpr char kDeveloperApp[] = "DeveloperApp";
constexpr char kNoDictionary[] = "none";
constexpr char kDefaultMemberVersion[] = "1.0";

// A group entry split at its first and its last "/".
struct GroupEntry {
  VtString group;
  VtString edition;
  VtString member;
};

bool splitGroupEntry(const VtString& entry, GroupEntry& out) {
  int32_t first = -1;
  int32_t last = -1;
  for (int32_t i = 0; i < entry.length(); ++i) {
    if (entry.get()[i] != '/') continue;
    if (first < 0) first = i;
    last = i;
  }
  if (first < 0 || first == last) return false;
  out.group = VtString(entry.get(), first);
  out.edition = VtString(entry.get() + first + 1, last - first - 1);
  out.member = VtString(entry.get() + last + 1, entry.length() - last - 1);
  return true;
}

double number(const VtString& text) {
  double value = 0;
  std::from_chars(text.get(), text.get() + text.length(), value);
  return value;
}

int32_t lastIndexOf(const VtString& text, char c) {
  for (int32_t i = text.length() - 1; i >= 0; --i)
    if (text.get()[i] == c) return i;
  return -1;
}

bool endsWith(const VtString& text, const char* tail) {
  const VtString end(tail);
  return text.length() >= end.length() &&
         VtString(text.get() + text.length() - end.length(), end.length()) == end;
}

}  // namespace

// ---- the current connector

bool ArborTalkConnector::InitTerm::init(const VtString& appSpecifier) {
  // The library may be started again after it was stopped.
  gExited.store(false);
  if (gCurrent.load() != nullptr) return true;
  set(ArborTalkUtils::createConnector(appSpecifier, VtString("default")));
  return true;
}

bool ArborTalkConnector::InitTerm::exit() {
  delete gCurrent.exchange(nullptr);
  gExited.store(true);
  return true;
}

ArborTalkConnector* ArborTalkConnector::get() {
  if (gExited.load())
    VT_DEBUG_ALERT(
        "You are using ArborTalkConnector after ArborTalkConnector::InitTerm::exit() has been "
        "called.");
  return gCurrent.load();
}

void ArborTalkConnector::set(ArborTalkConnector* connector) {
  if (connector == gCurrent.load()) return;
  if (gExited.load()) {
    // Nobody else owns it any more.
    delete connector;
    return;
  }
  delete gCurrent.exchange(connector);
}

// ---- construction and the lists

ArborTalkConnector::ArborTalkConnector(const VtString& appSpecifier)
    : mAppSpecifier(appSpecifier),
      mAppSubdomainPrefix(kAppSubdomainPrefix),
      mGroupSubdomainPrefix(kGroupSubdomainPrefix),
      mGroupKeyPrefix("Group"),
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
      mExecutableExtensionKey(kExecutableExtensionKey),
      mOMVDictionaryKey("OMVDictionary"),
      mDeveloperInstallPathKey("DeveloperInstallPath"),
      mRedirectToKey("RedirectTo"),
      mExecutablePathKey(kExecutablePathKey) {}

ArborTalkConnector::~ArborTalkConnector() {
  clearCache();
}

AKConnectorAppInfoList* ArborTalkConnector::getAppInfoList() const {
  ObjectLock lock(*this);
  if (mAppInfoList == nullptr) {
    auto* self = const_cast<ArborTalkConnector*>(this);
    self->clearGroupsCache();
    mAppInfoList = new AKConnectorAppInfoList;
    mGroupsCache = new VtVector<VtString>;
    mListsLoaded = self->initLists(*mAppInfoList, *mGroupsCache);
  }
  return mListsLoaded ? mAppInfoList : nullptr;
}

VtVector<VtString>* ArborTalkConnector::getGroupsCache() const {
  ObjectLock lock(*this);
  if (mGroupsCache == nullptr && getAppInfoList() == nullptr) return nullptr;
  return mGroupsCache;
}

void ArborTalkConnector::clearGroupsCache() {
  ObjectLock lock(*this);
  if (mGroupsCache == nullptr) return;
  for (int32_t i = mGroupsCache->length() - 1; i >= 0; --i) delete mGroupsCache->removeAt(i);
  delete mGroupsCache;
  mGroupsCache = nullptr;
}

void ArborTalkConnector::clearCache() {
  ObjectLock lock(*this);
  clearGroupsCache();
  delete mAppInfoList;
  mAppInfoList = nullptr;
  mListsLoaded = false;
}

bool ArborTalkConnector::isGood() const {
  return getAppInfoList() != nullptr;
}

bool ArborTalkConnector::findEntry(const VtString& specifier, AKConnectorAppInfo& out) const {
  ObjectLock lock(*this);
  if (specifier.length() == 0) return false;
  const AKConnectorAppInfoList* list = getAppInfoList();
  return list != nullptr && list->find(specifier, out);
}

// ---- lookups

int32_t ArborTalkConnector::getNumberOfRegisteredApplications() const {
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  return list ? list->length() : 0;
}

VtString ArborTalkConnector::getApplicationSpecifier(int32_t index) const {
  if (index == -1) return mAppSpecifier;
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  const AKConnectorAppInfo* entry = list ? list->get(index) : nullptr;
  return entry ? entry->mSpecifier : VtString();
}

VtString ArborTalkConnector::getApplicationPath(const VtString& specifier, const char*) const {
  Specifier plain(specifier, false);
  plain.setSuffix(VtString());
  AKConnectorAppInfo entry;
  return findEntry(plain, entry) ? entry.mLocation : VtString();
}

bool ArborTalkConnector::supportsORKT(const VtString& specifier) const {
  ObjectLock lock(*this);
  const Specifier completed(specifier, true);
  AKConnectorAppInfo entry;
  return completed.isInstalled() && findEntry(completed, entry) && entry.mSupportsORKT;
}

bool ArborTalkConnector::isShellTool(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) && entry.mIsShellTool;
}

bool ArborTalkConnector::getMessageAuthentication(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mMessageAuthentication : true;
}

bool ArborTalkConnector::getMessageDigest(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mMessageDigest : true;
}

VtString ArborTalkConnector::getBundleIdentifier(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mBundleIdentifier : VtString();
}

VtString ArborTalkConnector::getExecutableBasename(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mExecutableBasename : VtString();
}

VtString ArborTalkConnector::getExecutableExtension(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mExecutableExtension : VtString();
}

VtString ArborTalkConnector::getOMVDictionary(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  if (!findEntry(specifier, entry)) return VtString();
  return entry.mOMVDictionary.length() > 0 ? entry.mOMVDictionary : VtString(kNoDictionary);
}

VtString ArborTalkConnector::getDeveloperInstallPath(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mDeveloperInstallPath : VtString();
}

VtString ArborTalkConnector::getRedirectTo(const VtString& specifier) const {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mRedirectTo : VtString();
}

bool ArborTalkConnector::setProcessID(const VtString& specifier, uint32_t processID) {
  ObjectLock lock(*this);
  AKConnectorAppInfoList* list = getAppInfoList();
  return list != nullptr && list->setProcessID(specifier, processID);
}

uint32_t ArborTalkConnector::getProcessID(const VtString& specifier) {
  AKConnectorAppInfo entry;
  return findEntry(specifier, entry) ? entry.mProcessID : 0;
}

VtString ArborTalkConnector::getDisplayName(const VtString& name, const VtString& version,
                                            const VtString& locale) const {
  ObjectLock lock(*this);
  VtString text(name);
  if (version.length() > 0) text << '-' << version;
  if (locale.length() > 0) text << '-' << locale.lowercase();
  const Specifier completed(text, true);
  AKConnectorAppInfo entry;
  if (!findEntry(completed, entry)) return VtString();
  if (entry.mDisplayName.length() > 0) return entry.mDisplayName;
  const int32_t slash = lastIndexOf(entry.mLocation, ArborTalkUtils::getFolderSeparator()[0]);
  if (slash < 0) return VtString();
  const VtString last(entry.mLocation.get() + slash + 1, entry.mLocation.length() - slash - 1);
  const int32_t dot = lastIndexOf(last, '.');
  return dot < 0 ? last : VtString(last.get(), dot);
}

VtString ArborTalkConnector::getAppSubdomainName(const VtString& name) const {
  VtString text(mAppSubdomainPrefix);
  text << name;
  return text;
}

VtString ArborTalkConnector::getGroupSubdomainName(const VtString& entry) const {
  Specifier plain(entry, false);
  VtString member = plain.appName();
  if (plain.version().length() > 0) member << '-' << plain.version();
  if (plain.suffix().length() > 0) member << '#' << plain.suffix();
  VtString text(mGroupSubdomainPrefix);
  text << member;
  return text;
}

uint64_t ArborTalkConnector::getTimestamp() const {
  return 0;
}

bool ArborTalkConnector::skipImport(const AKConnectorAppInfo&) const {
  return false;
}

// ---- launching

bool ArborTalkConnector::launchTarget(const VtString& specifier, const VtString& parameters,
                                      bool toFront, ArborTalkContext*) {
  AKConnectorAppInfo entry;
  if (!findEntry(specifier, entry) || entry.mLocation.length() == 0) return false;

  // A developer build beside the application is launched in its place.
  VtString path = entry.mLocation;
  const int32_t slash = lastIndexOf(path, ArborTalkUtils::getFolderSeparator()[0]);
  if (slash >= 0) {
    VtString developerApp(path.get(), slash + 1);
    developerApp << kDeveloperApp;
    if (ArborTalkUtils::fileExists(developerApp)) {
      const VtString resolved = ArborTalkUtils::resolveAlias(developerApp);
      if (ArborTalkUtils::fileExists(resolved)) path = resolved;
    }
  }

  // The launcher runs without the connector's lock.
  uint32_t processID = 0;
  const bool launched = ArborTalkUtils::Launcher::launch(
      specifier, path, parameters.length() > 0 ? parameters.get() : nullptr,
      toFront ? ArborTalkUtils::Launcher::kFront : ArborTalkUtils::Launcher::kBackground,
      &processID);

  ObjectLock lock(*this);
  if (Specifier(specifier, false).instance().length() == 0) {
    setProcessID(specifier, processID);
  } else if (AKConnectorAppInfoList* list = getAppInfoList()) {
    if (!list->setProcessID(specifier, processID)) {
      auto* copy = new AKConnectorAppInfo(entry);
      copy->mSpecifier = specifier;
      copy->mProcessID = processID;
      list->append(copy);
    }
  }
  return launched;
}

void ArborTalkConnector::bringToFront(const char* specifier, ArborTalkContext*) const {
  const Specifier completed(specifier, true);
  AKConnectorAppInfo entry;
  if (completed.length() == 0 || !findEntry(completed, entry)) return;
  ArborTalkUtils::Launcher::bringToFront(entry.mLocation,
                                         ArborTalkUtils::Launcher::kByBundleLocation);
}

// ---- registration

bool ArborTalkConnector::registerApplication(const Specifier& specifier, const VtString& path,
                                             const VtString* displayName, bool shellTool,
                                             bool orkt) {
  if (specifier.length() == 0 || path.length() == 0) return false;
  ObjectLock lock(*this);
  if (getAppInfoList() == nullptr) return false;
  AKConnectorAppInfo info;
  info.mSpecifier = specifier;
  info.mLocation = path;
  if (displayName != nullptr && displayName->length() > 0) info.mDisplayName = *displayName;
  info.mIsShellTool = shellTool;
  info.mSupportsORKT = orkt;
  if (info.mDisplayName.length() == 0) info.mDisplayName = specifier;
  return doRegisterApplication(info);
}

bool ArborTalkConnector::doRegisterApplication(AKConnectorAppInfo& info) {
  if (info.mSpecifier.length() == 0 || info.mLocation.length() == 0) return false;
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  if (list == nullptr) return false;
  AKConnectorAppInfo existing;
  if (list->find(info.mSpecifier, existing)) {
    if (existing.mLocation == info.mLocation) return false;
    if (!unregisterApplication(Specifier(info.mSpecifier, false), &info.mDisplayName)) return false;
  }
  if (info.mDisplayName.length() == 0) {
    // The installed item's name without its extension.
    const int32_t slash = lastIndexOf(info.mLocation, '/');
    if (slash >= 0) {
      const VtString last(info.mLocation.get() + slash + 1, info.mLocation.length() - slash - 1);
      const int32_t dot = lastIndexOf(last, '.');
      info.mDisplayName = dot < 0 ? last : VtString(last.get(), dot);
    }
  }
  const bool stored = registerApplication(info);
  if (stored) {
    // The store and the list disagree when the list refuses: reload.
    AKConnectorAppInfoList* current = getAppInfoList();
    if (current == nullptr || !current->append(new AKConnectorAppInfo(info))) clearCache();
  }
  return stored;
}

bool ArborTalkConnector::unregisterApplication(const Specifier& specifier, const VtString*) {
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  AKConnectorAppInfo entry;
  if (list == nullptr || !list->find(specifier, entry)) return false;
  const bool removed = unregisterApplication(entry);
  if (removed) {
    AKConnectorAppInfoList* current = getAppInfoList();
    if (current == nullptr || !current->remove(entry)) clearCache();
  }
  return removed;
}

bool ArborTalkConnector::removeAll() {
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  if (list == nullptr) return false;
  bool ok = true;
  // Each step may reload the lists; walk copies of them.
  std::vector<std::pair<VtString, VtString>> apps;
  for (int32_t i = 0; i < list->length(); ++i) {
    AKConnectorAppInfo entry;
    if (list->getItemAt(i, entry)) apps.emplace_back(entry.mSpecifier, entry.mDisplayName);
  }
  for (auto it = apps.rbegin(); it != apps.rend(); ++it)
    ok = unregisterApplication(Specifier(it->first, false), &it->second) && ok;

  std::vector<VtString> groups;
  if (const VtVector<VtString>* cache = getGroupsCache())
    for (int32_t i = 0; i < cache->length(); ++i) groups.push_back(*(*cache)[i]);
  for (auto it = groups.rbegin(); it != groups.rend(); ++it) {
    GroupEntry entry;
    if (!splitGroupEntry(*it, entry)) {
      ok = false;
      continue;
    }
    ok = removeFromGroup(Specifier(entry.member, false), entry.group,
                         entry.edition.length() > 0 ? &entry.edition : nullptr) &&
         ok;
  }
  clearCache();
  return ok;
}

bool ArborTalkConnector::updateCache(bool force) {
  ObjectLock lock(*this);
  // removeAll ends by dropping the lists, so its result does not stop the
  // reload.
  [[maybe_unused]] const bool removed = removeAll();
  if (getAppInfoList() == nullptr) return false;
  return force ? registerRunningApps() : isGood();
}

bool ArborTalkConnector::registerRunningApps() {
  ObjectLock lock(*this);
  const VtString currentLocale = ArborTalkUtils::getCurrentLocale();
  bool any = false;
  for (const char* text : kKnownApplications) {
    Specifier specifier(text, false);
    if (specifier.locale() != currentLocale) specifier.setLocale(currentLocale);
    if (!specifier.isInstalled() && specifier.isRunning() &&
        registerApplication(specifier, VtString(kRunningPath), nullptr, false, true))
      any = true;
  }
  return any;
}

// ---- groups

ArborTalk::Specifier ArborTalkConnector::resolveSpecifier(const VtString& fallback,
                                                          const VtString& text) {
  Specifier specifier(text.length() > 0 ? text : fallback, false);
  specifier.fixUp(false);
  if (specifier.isInstalled()) return specifier;
  const VtString version = specifier.version();
  if (version.length() > 2 && endsWith(version, ".*")) {
    // "3.*" asks for the highest registered version up to 3.99.
    VtString request("-");
    request << VtString(version.get(), version.length() - 2) << ".99";
    specifier.setVersion(request);
    return specifier;
  }
  return Specifier();
}

VtString ArborTalkConnector::findGroupForSpecifier(const Specifier& specifier, VtString* edition) {
  ObjectLock lock(*this);
  if (edition != nullptr && edition->length() > 0) *edition = VtString();
  VtString result;
  const VtVector<VtString>* groups = getGroupsCache();
  if (groups == nullptr || groups->length() == 0) return result;
  const Specifier completed(specifier, true);
  if (completed.length() == 0) return result;
  VtString key = completed.appName();
  const VtString version = completed.version();
  key << '-' << (version.length() > 0 ? version : VtString(kDefaultMemberVersion));

  groups = getGroupsCache();
  double best = 0;
  for (int32_t i = groups ? groups->length() - 1 : -1; i >= 0; --i) {
    GroupEntry entry;
    if (!splitGroupEntry(*(*groups)[i], entry) || entry.member != key) continue;
    const double value = number(entry.edition);
    if (value > best) {
      best = value;
      result = entry.group;
      if (edition != nullptr) *edition = entry.edition;
    }
  }
  return result;
}

VtString ArborTalkConnector::findSpecifierInGroup(const VtString& appName, const VtString& group,
                                                  const VtString& edition) {
  ObjectLock lock(*this);
  const VtVector<VtString>* groups = getGroupsCache();
  VtString member;
  for (int32_t i = groups ? groups->length() - 1 : -1; i >= 0; --i) {
    GroupEntry entry;
    if (!splitGroupEntry(*(*groups)[i], entry) || entry.group != group ||
        entry.edition != edition || Specifier(entry.member, false).appName() != appName)
      continue;
    member = entry.member;
    break;
  }
  if (member.length() > 0 && Specifier(member, true).isInstalled())
    return resolveSpecifier(appName, member);
  return resolveSpecifier(appName, VtString());
}

VtString ArborTalkConnector::findPreferredApp(const VtString& caller, const VtString& target,
                                              const VtString& group) {
  ObjectLock lock(*this);
  const VtVector<VtString>* groups = getGroupsCache();
  const Specifier callerSpecifier(caller, false);
  const Specifier targetSpecifier(target, false);
  if (groups == nullptr || groups->length() == 0 || callerSpecifier.length() == 0 ||
      targetSpecifier.length() == 0)
    return resolveSpecifier(target, VtString());

  const double callerVersion = number(callerSpecifier.version());
  const VtString callerName = callerSpecifier.appName();
  const VtString targetName = targetSpecifier.appName();
  VtString currentEdition;
  VtString callerMember;
  VtString firstTarget;
  VtString fallback;
  // Backwards: the newest editions stand last.
  for (int32_t i = groups->length() - 1; i >= 0; --i) {
    GroupEntry entry;
    if (!splitGroupEntry(*(*groups)[i], entry) || entry.group != group) continue;
    if (entry.edition != currentEdition) {
      currentEdition = entry.edition;
      callerMember = VtString();
      firstTarget = VtString();
    }
    const Specifier member(entry.member, false);
    const VtString memberName = member.appName();
    if (memberName == callerName) {
      double memberVersion = 0;
      if (callerVersion != 0) {
        memberVersion = number(member.version());
        if (memberVersion < 0) memberVersion = callerVersion + 1;
      }
      if (callerVersion >= memberVersion) {
        if (firstTarget.length() > 0) return resolveSpecifier(target, firstTarget);
        callerMember = entry.member;
      }
    }
    if (memberName == targetName) {
      if (callerMember.length() > 0) return resolveSpecifier(target, entry.member);
      if (firstTarget.length() == 0) {
        firstTarget = entry.member;
        if (fallback.length() == 0) fallback = entry.member;
      }
    }
  }
  return resolveSpecifier(target, fallback.length() > 0 ? fallback : target);
}

}  // namespace Velt
