#include "messaging/PDBConnector.h"

#include <vector>

#include "messaging/DebugAlert.h"
#include "messaging/PDBInitLists.h"
#include "messaging/PDBWrapper.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

constexpr const char* kDomainSuffixes[] = {"-installer", "-opal", "-klm", "-kvu", "-kmt"};
constexpr int32_t kDomainKeys = 5;

}  // namespace

PDBConnector::PDBConnector(const VtString& appSpecifier, bool master, int32_t domainKey)
    : ArborTalkConnector(appSpecifier),
      mWrapper(new PDBWrapper(master, getPDBDomain(domainKey))),
      mDomainKey(domainKey),
      mMaster(master) {}

PDBConnector::~PDBConnector() {
  // The lists go before the database they came from.
  clearCache();
  delete mWrapper;
}

tarnDomain PDBConnector::getPDBDomain(int32_t domainKey) {
  if (domainKey >= 0 && domainKey < kDomainKeys) return domainKey;
  VT_DEBUG_ALERT("getPDBDomain: Unknown domain key");
  return kOpal;
}

VtString PDBConnector::getName() const {
  VtString name("PDB");
  if (mMaster && mDomainKey == kOpal) return name;
  name << (mMaster ? "-master" : "-cache");
  if (mDomainKey >= 0 && mDomainKey < kDomainKeys)
    name << kDomainSuffixes[mDomainKey];
  else
    VT_DEBUG_ALERT("PDBConnector::getName(): Unknown domain key");
  return name;
}

bool PDBConnector::initLists(AKConnectorAppInfoList& apps, VtVector<VtString>& groups) {
  apps.clear();
  PDBInitLists loader(apps, groups);
  const bool loaded = loader.run(*mWrapper);
  mInstallerTime = loader.installerTime();
  mProductTime = loader.productTime();
  return loaded;
}

bool PDBConnector::updateCache(bool force) {
  ObjectLock lock(*this);
  if (mInstallerTime == 0) return false;
  bool changed = false;
  uint32_t time = 0;
  if (mWrapper->tarnGetLastModTime(&time) == kTarnSuccess && time != mInstallerTime) {
    mInstallerTime = time;
    changed = true;
  }
  if (mWrapper->pdbGetLastModTime(&time) == kTarnSuccess && time != mProductTime) {
    mProductTime = time;
    changed = true;
  }
  if (!changed && !force) return false;
  clearCache();
  return force ? ArborTalkConnector::updateCache(true) : true;
}

uint64_t PDBConnector::getTimestamp() const {
  ObjectLock lock(*this);
  uint32_t installer = 0;
  uint32_t product = 0;
  mWrapper->tarnGetLastModTime(&installer);
  mWrapper->pdbGetLastModTime(&product);
  return installer > product ? installer : product;
}

VtString PDBConnector::groupEntry(const Specifier& specifier, const VtString& group,
                                  const VtString* edition) const {
  VtString entry = group.lowercase();
  if (edition != nullptr) entry << '/' << *edition;
  entry << '/' << specifier.appName();
  const VtString version = specifier.version();
  if (version.length() > 0) entry << '-' << version;
  return entry;
}

bool PDBConnector::addToGroup(const Specifier& specifier, const VtString& group,
                              const VtString* edition) {
  ObjectLock lock(*this);
  if (group.length() == 0) return false;
  VtVector<VtString>* groups = getGroupsCache();
  if (groups == nullptr) return false;
  const VtString entry = groupEntry(specifier, group, edition);
  int32_t position = groups->length();
  for (int32_t i = 0; i < groups->length(); ++i) {
    const int order = (*groups)[i]->compare(entry);
    if (order == 0) return true;
    if (order > 0 && position == groups->length()) position = i;
  }
  std::vector<VtString*> after;
  while (groups->length() > position) after.push_back(groups->removeAt(groups->length() - 1));
  groups->append(new VtString(entry));
  for (auto it = after.rbegin(); it != after.rend(); ++it) groups->append(*it);
  return true;
}

bool PDBConnector::removeFromGroup(const Specifier& specifier, const VtString& group,
                                   const VtString* edition) {
  ObjectLock lock(*this);
  if (group.length() == 0) return false;
  VtVector<VtString>* groups = getGroupsCache();
  if (groups == nullptr) return false;
  const VtString entry = groupEntry(specifier, group, edition);
  for (int32_t i = 0; i < groups->length(); ++i) {
    if (*(*groups)[i] == entry) {
      delete groups->removeAt(i);
      break;
    }
  }
  return true;
}

bool PDBConnector::registerApplication(AKConnectorAppInfo&) {
  return true;
}

bool PDBConnector::unregisterApplication(const AKConnectorAppInfo&) {
  return true;
}

bool PDBConnector::skipImport(const AKConnectorAppInfo& info) const {
  ObjectLock lock(*this);
  const AKConnectorAppInfoList* list = getAppInfoList();
  return list == nullptr || list->find(info.mSpecifier) != nullptr;
}

}  // namespace Velt
