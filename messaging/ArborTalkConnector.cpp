#include "messaging/ArborTalkConnector.h"

#include <atomic>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <utility>
#include <vector>

#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkThread.h"
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

// ---- whole-registry services

namespace {

constexpr char kGroupsRequest[] = "groups";
constexpr char kDefaultGroupEdition[] = "wb/3/";
// The group lines of a registry that defines no groups.
constexpr const char* kDefaultGroupMembers[] = {
    "arbor-2.0",     "vectora-13.0", "pagecraft-5.0", "pagecraftserver-5.0",
    "textcraft-5.0", "pixmere-10.0", "docuvane-8.0",  "orkit-2.0",
    "sitewing-9.0",  "gantry-2.0",   "pylon-2.0",
};
constexpr char kValidationPrefix[] = "ArborTalkConnector validation failed: ";
constexpr int32_t kInfoTimeoutSeconds = 10;

// Registry texts may hold any byte; markup in them must not end the
// element or open another one.
void appendEscaped(VtString& out, const VtString& text) {
  for (int32_t i = 0; i < text.length(); ++i) {
    const char c = text.get()[i];
    switch (c) {
      case '&':
        out << "&amp;";
        break;
      case '<':
        out << "&lt;";
        break;
      case '>':
        out << "&gt;";
        break;
      case '"':
        out << "&quot;";
        break;
      default:
        out << c;
    }
  }
}

void appendValueLine(VtString& out, const VtString& key, const VtString& value) {
  out << "\t\t<Data key=\"";
  appendEscaped(out, key);
  out << "\">";
  appendEscaped(out, value);
  out << "</Data>\n";
}

void appendOtherOpening(VtString& out, const VtString& code) {
  out << "\t<Other veskoCode=\"";
  appendEscaped(out, code);
  out << "\">\n";
}

VtString threeDigits(int32_t index) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d", static_cast<int>(index));
  return VtString(text);
}

const char* onOff(bool on) {
  return on ? "ON" : "OFF";
}

// Copies the records of text under prefix; with filter, the root record of
// specifier and the name, path and status items stay out (the registry
// lines say those already). The walk ends at the first malformed line.
void copyRecords(VtString& out, const VtString& prefix, const VtString& text,
                 const VtString& specifier, bool filter) {
  VtString root("/");
  root << specifier;
  VtString path, label, value;
  bool heading = false;
  const char* line = text.get();
  const char* end = text.get() + text.length();
  while (line < end) {
    const char* next = ArborTalkUtils::parseInfoLine(line, path, label, value, heading);
    if (next == nullptr) break;
    const char* lineEnd = next;
    if (lineEnd > line && lineEnd[-1] == '\n') --lineEnd;
    const bool keep = !filter || (path.length() > 0 && path != root && label != "Name" &&
                                  label != "Path" && label != "Status");
    if (keep && lineEnd > line) {
      out << prefix;
      out.append(line, static_cast<int32_t>(lineEnd - line));
      out << '\n';
    }
    line = next;
  }
}

void alert(const char* what) {
  VtString text(kValidationPrefix);
  text << what;
  VT_DEBUG_ALERT(text.get());
}

// The fields of two entries in the order their differences are reported.
bool compareEntries(const AKConnectorAppInfo& a, const AKConnectorAppInfo& b, bool report) {
  struct Field {
    const char* name;
    bool same;
  };
  const Field fields[] = {
      {"mSpecifier", a.mSpecifier == b.mSpecifier},
      {"mLocation", a.mLocation == b.mLocation},
      {"mWindowClassName", a.mWindowClassName == b.mWindowClassName},
      {"mBundleIdentifier", a.mBundleIdentifier == b.mBundleIdentifier},
      {"mArborTalkVersion", a.mArborTalkVersion == b.mArborTalkVersion},
      {"mAllowMultipleInstances", a.mAllowMultipleInstances == b.mAllowMultipleInstances},
      {"mDisplayName", a.mDisplayName == b.mDisplayName},
      {"mMessageAuthentication", a.mMessageAuthentication == b.mMessageAuthentication},
      {"mMessageDigest", a.mMessageDigest == b.mMessageDigest},
      {"mSupportsORKT", a.mSupportsORKT == b.mSupportsORKT},
      {"mExecutableBasename", a.mExecutableBasename == b.mExecutableBasename},
      {"mExecutableExtension", a.mExecutableExtension == b.mExecutableExtension},
      {"mOMVDictionary", a.mOMVDictionary == b.mOMVDictionary},
      {"mDeveloperInstallPath", a.mDeveloperInstallPath == b.mDeveloperInstallPath},
      {"mRedirectTo", a.mRedirectTo == b.mRedirectTo},
      {"mIsShellTool", a.mIsShellTool == b.mIsShellTool},
  };
  bool same = true;
  for (const Field& field : fields) {
    if (field.same) continue;
    same = false;
    if (!report) return false;
    VtString text("appInfo's '");
    text << field.name << "' are different";
    alert(text.get());
  }
  return same;
}

bool groupListHolds(const VtVector<VtString>& list, const VtString& entry) {
  for (int32_t i = 0; i < list.length(); ++i)
    if (*list[i] == entry) return true;
  return false;
}

}  // namespace

VtString ArborTalkConnector::getConnectorConfig(const VtString& which) const {
  if (which.length() == 0) return VtString();
  ObjectLock lock(*this);
  VtString out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n");
  if (which != kGroupsRequest) {
    AKConnectorAppInfo entry;
    if (!findEntry(which, entry)) return VtString();
    const VtString code = getAppSubdomainName(entry.mSpecifier);
    out << "\t<Payload>\n";
    appendValueLine(out, VtString(kArborTalkCodeKey), code);
    out << "\t</Payload>\n\n";
    appendOtherOpening(out, code);
    appendValueLine(out, mGuidKey, entry.mSpecifier);
    if (entry.mWindowClassName.length() > 0)
      appendValueLine(out, mWinClassNameKey, entry.mWindowClassName);
    if (entry.mBundleIdentifier.length() > 0)
      appendValueLine(out, mBundleIdentifierKey, entry.mBundleIdentifier);
    if (entry.mDisplayName.length() > 0) appendValueLine(out, mDisplayNameKey, entry.mDisplayName);
    if (entry.mArborTalkVersion != 1.0) {
      VtString version;
      version << entry.mArborTalkVersion;
      appendValueLine(out, mArborTalkVersionKey, version);
    }
    if (entry.mAllowMultipleInstances)
      appendValueLine(out, mAllowMultipleInstancesKey, VtString("true"));
    if (entry.mIsShellTool) appendValueLine(out, mIsShellToolKey, VtString("true"));
    if (!entry.mMessageAuthentication)
      appendValueLine(out, mMessageAuthenticationKey, VtString("false"));
    if (!entry.mMessageDigest) appendValueLine(out, mMessageDigestKey, VtString("false"));
    if (entry.mSupportsORKT) appendValueLine(out, mSupportsOrktKey, VtString("true"));
    if (entry.mExecutableBasename.length() > 0) {
      appendValueLine(out, mExecutableBasenameKey, entry.mExecutableBasename);
      if (entry.mExecutableExtension.length() > 0)
        appendValueLine(out, mExecutableExtensionKey, entry.mExecutableExtension);
    }
    if (entry.mOMVDictionary.length() > 0 && entry.mOMVDictionary != kNoDictionary)
      appendValueLine(out, mOMVDictionaryKey, entry.mOMVDictionary);
    if (entry.mDeveloperInstallPath.length() > 0)
      appendValueLine(out, mDeveloperInstallPathKey, entry.mDeveloperInstallPath);
    if (entry.mRedirectTo.length() > 0) appendValueLine(out, mRedirectToKey, entry.mRedirectTo);
    out << "\t</Other>\n";
  } else {
    VtString code(mAppSubdomainPrefix);
    code << kGroupsRequest;
    appendOtherOpening(out, code);
    // A failed load leaves an empty group list behind: no fixed lines for it.
    const VtVector<VtString>* groups = getAppInfoList() ? getGroupsCache() : nullptr;
    if (groups == nullptr) return VtString();
    if (groups->length() == 0) {
      int32_t index = 0;
      for (const char* member : kDefaultGroupMembers) {
        VtString key(mGroupKeyPrefix);
        key << threeDigits(index++);
        VtString value(mGroupSubdomainPrefix);
        value << kDefaultGroupEdition << member;
        appendValueLine(out, key, value);
      }
    } else {
      for (int32_t i = 0; i < groups->length(); ++i) {
        VtString key(mGroupKeyPrefix);
        key << threeDigits(i);
        appendValueLine(out, key, getGroupSubdomainName(*(*groups)[i]));
      }
    }
    out << "\t</Other>\n";
  }
  out << "</Configuration>\n";
  return out;
}

void ArborTalkConnector::appendDiagnostics(VtString& out, const VtString& path) const {
  // What the registry says is read under its lock; whether a target runs,
  // its status and its own records are asked afterwards. Asking them under
  // the lock would hold every other use of the registry for up to two pings
  // per running target, and the background thread answering an "INFO"
  // request holds its own lock while it waits for this one.
  struct Target {
    VtString specifier;
    VtString group;
    VtString path;
    VtString displayName;
    bool authentication = true;
    bool digest = true;
    bool orkt = false;
    VtString bundleId;
    VtString basename;
    VtString extension;
  };
  std::vector<Target> targets;
  std::vector<VtString> groups;
  bool groupsDefined = false;
  VtString name;
  int32_t count = 0;
  {
    ObjectLock lock(*this);
    auto* self = const_cast<ArborTalkConnector*>(this);
    name = getName();
    count = getNumberOfRegisteredApplications();
    for (int32_t i = 0; i < count; ++i) {
      Target target;
      target.specifier = getApplicationSpecifier(i);
      const Specifier parsed(target.specifier, false);
      target.group = self->findGroupForSpecifier(parsed, nullptr);
      target.path = getApplicationPath(parsed, nullptr);
      target.displayName = getDisplayName(parsed.appName(), parsed.version(), parsed.locale());
      target.authentication = getMessageAuthentication(parsed);
      target.digest = getMessageDigest(parsed);
      target.orkt = supportsORKT(parsed);
      target.bundleId = getBundleIdentifier(parsed);
      target.basename = getExecutableBasename(parsed);
      target.extension = getExecutableExtension(parsed);
      targets.push_back(target);
    }
    if (const VtVector<VtString>* cache = getGroupsCache()) {
      groupsDefined = cache->length() > 0;
      for (int32_t i = 0; i < cache->length(); ++i) groups.push_back(*(*cache)[i]);
    }
  }

  VtString root(path);
  root << "/targets";
  VtString running(root);
  running << "/running";
  VtString installed(root);
  installed << "/installed";
  out << root << ";1;Targets;" << count << ";\n";
  out << root << "/connector;0;Connector;" << name << ";\n";
  out << installed << ";1;Installed;0;\n" << running << ";1;Running;0;\n";

  ArborTalkContext* ownContext = ArborTalk::getSharedContext();
  const VtString ownSpecifier = ArborTalk::getSharedAppName();
  uint32_t installedCount = 0;
  uint32_t runningCount = 0;
  for (const Target& target : targets) {
    const VtString& specifier = target.specifier;
    const Specifier parsed(specifier, false);
    const bool own = ownSpecifier.length() > 0 && specifier == ownSpecifier;
    VtString status;
    VtString entry;
    if (parsed.isRunning()) {
      // This process reads its own status: a ping of itself from its
      // background thread would wait for that very thread.
      ArborTalkThread* ownThread = own && ownContext ? ownContext->getThread() : nullptr;
      status = ownThread ? ownThread->getValueForKey(VtString(ArborTalkThread::AK_STATUS))
                         : parsed.status();
      entry = running;
      ++runningCount;
    } else {
      entry = installed;
      ++installedCount;
    }
    entry << '/' << specifier;
    out << entry << ";1;" << specifier << ';' << status << ";\n";
    if (target.group.length() > 0) out << entry << "/group;0;Group;" << target.group << ";\n";
    out << entry << "/path;0;Path;" << target.path << ";\n";
    if (target.displayName.length() > 0)
      out << entry << "/displayname;0;Display Name;" << target.displayName << ";\n";
    out << entry << "/authentication;0;MsgAuthentication;" << onOff(target.authentication) << ";\n";
    out << entry << "/digest;0;MsgDigest;" << onOff(target.digest) << ";\n";
    out << entry << "/orkt;0;ORKT;" << onOff(target.orkt) << ";\n";
    if (target.bundleId.length() > 0)
      out << entry << "/bundleid;0;BundleID;" << target.bundleId << ";\n";
    if (status.length() == 0) {
      out << entry << "/status;0;Status;(not running);\n";
    } else {
      out << entry << "/status;0;Status;" << status << ";\n";
      VtString contextText;
      VtString threadText;
      if (own && ownContext) {
        VtString ownRoot("/");
        ownRoot << specifier;
        ownContext->appendDiagnostics(contextText, ownRoot);
        if (ArborTalkThread* thread = ownContext->getThread())
          thread->appendDiagnostics(threadText, ownRoot);
      } else {
        const VtString contextPart("context");
        const VtString threadPart("thread");
        contextText = ArborTalk::Thread::ping(specifier.get(), ArborTalkThread::AK_INFO,
                                              kInfoTimeoutSeconds, &contextPart);
        threadText = ArborTalk::Thread::ping(specifier.get(), ArborTalkThread::AK_INFO,
                                             kInfoTimeoutSeconds, &threadPart);
      }
      copyRecords(out, running, contextText, specifier, true);
      copyRecords(out, running, threadText, specifier, false);
    }
    if (target.basename.length() > 0)
      out << entry << "/exename;0;ExeName;" << target.basename << '.' << target.extension << ";\n";
  }
  out << installed << ";1;Installed;" << installedCount << ";\n";
  out << running << ";1;Running;" << runningCount << ";\n";

  VtString groupsPath(root);
  groupsPath << "/groups";
  if (!groupsDefined) {
    out << groupsPath << ";0;Groups;(no groups defined);\n";
    return;
  }
  out << groupsPath << ";1;Groups;" << static_cast<uint32_t>(groups.size()) << ";\n";
  VtString previous;
  for (size_t i = 0; i < groups.size(); ++i) {
    const VtString& entry = groups[i];
    const int32_t slash = lastIndexOf(entry, '/');
    VtString node;
    for (int32_t j = 0; j < slash; ++j)
      if (entry.get()[j] != '/') node << entry.get()[j];
    const VtString member(entry.get() + slash + 1, entry.length() - slash - 1);
    if (i == 0 || node != previous)
      out << groupsPath << '/' << node << ";1;" << node << ";;" << member << ";\n";
    previous = node;
    out << groupsPath << '/' << node << '/' << member << ";0;" << member << ";;\n";
  }
}

bool ArborTalkConnector::importFrom(const ArborTalkConnector& other) {
  ObjectLock lock(*this);
  if (getAppInfoList() == nullptr) return false;
  if (getName() == other.getName()) return false;
  ObjectLock otherLock(other);
  const AKConnectorAppInfoList* entries = other.getAppInfoList();
  if (entries == nullptr) return false;
  bool ok = true;
  for (int32_t i = 0; i < entries->length(); ++i) {
    AKConnectorAppInfo entry;
    if (!entries->getItemAt(i, entry) || skipImport(entry)) continue;
    ok = doRegisterApplication(entry) && ok;
  }
  if (const VtVector<VtString>* groups = other.getGroupsCache()) {
    for (int32_t i = 0; i < groups->length(); ++i) {
      GroupEntry entry;
      if (!splitGroupEntry(*(*groups)[i], entry)) {
        ok = false;
        continue;
      }
      ok = addToGroup(Specifier(entry.member, false), entry.group,
                      entry.edition.length() > 0 ? &entry.edition : nullptr) &&
           ok;
    }
  }
  return ok;
}

bool ArborTalkConnector::isEqual(const ArborTalkConnector& other) const {
  const AKConnectorAppInfoList* theirs = other.getAppInfoList();
  if (theirs == nullptr) return false;
  const VtString* const mine[] = {
      &mAppSpecifier,
      &mAppSubdomainPrefix,
      &mGroupSubdomainPrefix,
      &mGroupKeyPrefix,
      &mGuidKey,
      &mLocationKey,
      &mWinClassNameKey,
      &mDisplayNameKey,
      &mBundleIdentifierKey,
      &mArborTalkVersionKey,
      &mAllowMultipleInstancesKey,
      &mIsShellToolKey,
      &mMessageAuthenticationKey,
      &mMessageDigestKey,
      &mSupportsOrktKey,
      &mExecutableBasenameKey,
      &mExecutableExtensionKey,
      &mOMVDictionaryKey,
      &mDeveloperInstallPathKey,
      &mRedirectToKey,
  };
  const VtString* const yours[] = {
      &other.mAppSpecifier,
      &other.mAppSubdomainPrefix,
      &other.mGroupSubdomainPrefix,
      &other.mGroupKeyPrefix,
      &other.mGuidKey,
      &other.mLocationKey,
      &other.mWinClassNameKey,
      &other.mDisplayNameKey,
      &other.mBundleIdentifierKey,
      &other.mArborTalkVersionKey,
      &other.mAllowMultipleInstancesKey,
      &other.mIsShellToolKey,
      &other.mMessageAuthenticationKey,
      &other.mMessageDigestKey,
      &other.mSupportsOrktKey,
      &other.mExecutableBasenameKey,
      &other.mExecutableExtensionKey,
      &other.mOMVDictionaryKey,
      &other.mDeveloperInstallPathKey,
      &other.mRedirectToKey,
  };
  for (size_t i = 0; i < std::size(mine); ++i)
    if (*mine[i] != *yours[i]) return false;
  const AKConnectorAppInfoList* ours = getAppInfoList();
  const VtVector<VtString>* ourGroups = getGroupsCache();
  const VtVector<VtString>* theirGroups = other.getGroupsCache();
  if ((ours == nullptr) != (theirs == nullptr)) return false;
  if ((ourGroups == nullptr) != (theirGroups == nullptr)) return false;
  if (ourGroups != nullptr && ourGroups->length() != theirGroups->length()) return false;
  if (ours != nullptr && ours->length() != theirs->length()) return false;
  for (int32_t i = 0; ourGroups != nullptr && i < ourGroups->length(); ++i)
    if (!groupListHolds(*theirGroups, *(*ourGroups)[i])) return false;
  for (int32_t i = 0; ours != nullptr && i < ours->length(); ++i) {
    AKConnectorAppInfo entry;
    AKConnectorAppInfo found;
    if (!ours->getItemAt(i, entry) || !theirs->find(entry.mSpecifier, found) || entry != found)
      return false;
  }
  return true;
}

bool ArborTalkConnector::validate(const ArborTalkConnector& other) const {
  bool valid = true;
  struct Text {
    const char* name;
    const VtString& mine;
    const VtString& yours;
  };
  const Text texts[] = {
      {"mAppSpecifier", mAppSpecifier, other.mAppSpecifier},
      {"mAppSubdomainPrefix", mAppSubdomainPrefix, other.mAppSubdomainPrefix},
      {"mGroupSubdomainPrefix", mGroupSubdomainPrefix, other.mGroupSubdomainPrefix},
      {"mGroupKeyPrefix", mGroupKeyPrefix, other.mGroupKeyPrefix},
      {"mGuidKey", mGuidKey, other.mGuidKey},
      {"mLocationKey", mLocationKey, other.mLocationKey},
      {"mWinClassNameKey", mWinClassNameKey, other.mWinClassNameKey},
      {"mDisplayNameKey", mDisplayNameKey, other.mDisplayNameKey},
      {"mBundleIdentifierKey", mBundleIdentifierKey, other.mBundleIdentifierKey},
      {"mArborTalkVersionKey", mArborTalkVersionKey, other.mArborTalkVersionKey},
      {"mAllowMultipleInstancesKey", mAllowMultipleInstancesKey, other.mAllowMultipleInstancesKey},
      {"mIsShellToolKey", mIsShellToolKey, other.mIsShellToolKey},
      {"mMessageAuthenticationKey", mMessageAuthenticationKey, other.mMessageAuthenticationKey},
      {"mMessageDigestKey", mMessageDigestKey, other.mMessageDigestKey},
      {"mSupportsOrktKey", mSupportsOrktKey, other.mSupportsOrktKey},
      {"mExecutableBasenameKey", mExecutableBasenameKey, other.mExecutableBasenameKey},
      {"mExecutableExtensionKey", mExecutableExtensionKey, other.mExecutableExtensionKey},
      {"mOMVDictionaryKey", mOMVDictionaryKey, other.mOMVDictionaryKey},
      {"mDeveloperInstallPathKey", mDeveloperInstallPathKey, other.mDeveloperInstallPathKey},
      {"mRedirectToKey", mRedirectToKey, other.mRedirectToKey},
  };
  for (const Text& text : texts) {
    if (text.mine == text.yours) continue;
    valid = false;
    VtString message("'");
    message << text.name << "' are different";
    alert(message.get());
  }

  const AKConnectorAppInfoList* ours = getAppInfoList();
  const AKConnectorAppInfoList* theirs = other.getAppInfoList();
  const VtVector<VtString>* ourGroups = getGroupsCache();
  const VtVector<VtString>* theirGroups = other.getGroupsCache();
  const char* const missing[] = {"mAppInfoList is NULL", "other's mAppInfoList is NULL",
                                 "mGroupsCache is NULL", "other's mGroupsCache is NULL"};
  const bool absent[] = {ours == nullptr, theirs == nullptr, ourGroups == nullptr,
                         theirGroups == nullptr};
  for (size_t i = 0; i < std::size(missing); ++i) {
    if (!absent[i]) continue;
    valid = false;
    alert(missing[i]);
  }

  if (ourGroups != nullptr && theirGroups != nullptr) {
    if (ourGroups->length() != theirGroups->length()) {
      valid = false;
      alert("different group cache lengths.");
    }
    const bool walkOurs = ourGroups->length() >= theirGroups->length();
    const VtVector<VtString>& walked = walkOurs ? *ourGroups : *theirGroups;
    const VtVector<VtString>& searched = walkOurs ? *theirGroups : *ourGroups;
    for (int32_t i = 0; i < walked.length(); ++i) {
      if (groupListHolds(searched, *walked[i])) continue;
      valid = false;
      VtString message("Can't find group entry for '");
      message << *walked[i] << "'\n";
      alert(message.get());
    }
  }

  if (ours != nullptr && theirs != nullptr) {
    if (ours->length() != theirs->length()) {
      valid = false;
      alert("different appInfo list lengths.");
    }
    const bool walkOurs = ours->length() >= theirs->length();
    const AKConnectorAppInfoList& walked = walkOurs ? *ours : *theirs;
    const AKConnectorAppInfoList& searched = walkOurs ? *theirs : *ours;
    for (int32_t i = 0; i < walked.length(); ++i) {
      AKConnectorAppInfo entry;
      if (!walked.getItemAt(i, entry)) continue;
      AKConnectorAppInfo found;
      if (!searched.find(entry.mSpecifier, found)) {
        valid = false;
        VtString message("Can't find app info for '");
        message << entry.mSpecifier << "'\n";
        alert(message.get());
        continue;
      }
      if (!compareEntries(entry, found, true)) valid = false;
    }
  }
  return valid;
}

}  // namespace Velt
