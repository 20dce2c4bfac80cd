#include "messaging/AKConnectorAppInfoList.h"

#include <unordered_set>
#include <vector>

#include "messaging/Specifier.h"

namespace Velt {

AKConnectorAppInfoList::AKConnectorAppInfoList() = default;

AKConnectorAppInfoList::~AKConnectorAppInfoList() {
  clear();
}

AKConnectorAppInfo* AKConnectorAppInfoList::findExact(const VtString& specifier,
                                                      int32_t* index) const {
  for (int32_t i = 0; i < mEntries.length(); ++i) {
    if (mEntries[i]->mSpecifier == specifier) {
      if (index) *index = i;
      return mEntries[i];
    }
  }
  if (index) *index = -1;
  return nullptr;
}

AKConnectorAppInfo* AKConnectorAppInfoList::find(const VtString& specifier, int32_t* index) const {
  ObjectLock lock(*this);
  if (AKConnectorAppInfo* found = findExact(specifier, index)) return found;
  ArborTalk::Specifier plain(specifier, false);
  plain.setInstance(VtString());
  if (plain != specifier) return findExact(plain, index);
  return nullptr;
}

bool AKConnectorAppInfoList::find(const VtString& specifier, AKConnectorAppInfo& out,
                                  int32_t* index) const {
  ObjectLock lock(*this);
  const AKConnectorAppInfo* found = find(specifier, index);
  if (found) out = *found;
  return found != nullptr;
}

bool AKConnectorAppInfoList::getItemAt(int32_t index, AKConnectorAppInfo& out) const {
  ObjectLock lock(*this);
  const AKConnectorAppInfo* entry = get(index);
  if (entry) out = *entry;
  return entry != nullptr;
}

AKConnectorAppInfo* AKConnectorAppInfoList::get(int32_t index) const {
  ObjectLock lock(*this);
  return index >= 0 && index < mEntries.length() ? mEntries[index] : nullptr;
}

bool AKConnectorAppInfoList::isInList(const AKConnectorAppInfo& info) const {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mEntries.length(); ++i)
    if (*mEntries[i] == info) return true;
  return false;
}

bool AKConnectorAppInfoList::append(AKConnectorAppInfo* info) {
  ObjectLock lock(*this);
  if (isInList(*info)) {
    delete info;
    return false;
  }
  mEntries.append(info);
  return true;
}

bool AKConnectorAppInfoList::update(const AKConnectorAppInfo& info) {
  ObjectLock lock(*this);
  AKConnectorAppInfo* target = nullptr;
  if (mLastUpdated && mLastUpdated->mSpecifier == info.mSpecifier)
    target = mLastUpdated;
  else
    target = find(info.mSpecifier);
  if (target) {
    *target = info;
  } else {
    if (info.mSpecifier.length() == 0) return false;
    target = new AKConnectorAppInfo(info);
    mEntries.append(target);
  }
  mLastUpdated = target;
  return true;
}

bool AKConnectorAppInfoList::remove(const AKConnectorAppInfo& info) {
  ObjectLock lock(*this);
  for (int32_t i = 0; i < mEntries.length(); ++i) {
    if (*mEntries[i] == info) {
      delete mEntries.removeAt(i);
      mLastUpdated = nullptr;
      return true;
    }
  }
  return false;
}

bool AKConnectorAppInfoList::setProcessID(const VtString& specifier, uint32_t processID) {
  ObjectLock lock(*this);
  AKConnectorAppInfo* entry = findExact(specifier, nullptr);
  if (entry) entry->mProcessID = processID;
  return entry != nullptr;
}

bool AKConnectorAppInfoList::resolveRedirectTo() {
  ObjectLock lock(*this);
  bool any = false;
  for (int32_t i = 0; i < mEntries.length(); ++i) {
    AKConnectorAppInfo* entry = mEntries[i];
    if (entry->mRedirectTo.length() == 0) continue;
    any = true;
    // Walk the chain; an entry met again counts as missing, so a cycle
    // ends like a chain whose target is not registered.
    std::vector<const AKConnectorAppInfo*> chain{entry};
    std::unordered_set<const AKConnectorAppInfo*> visited{entry};
    const AKConnectorAppInfo* next = find(entry->mRedirectTo);
    while (next && visited.insert(next).second) {
      chain.push_back(next);
      next = next->mRedirectTo.length() > 0 ? find(next->mRedirectTo) : nullptr;
    }
    if (chain.size() < 2) continue;  // the target is missing: the location stays
    // The location farthest along the chain that is not empty.
    VtString location;
    for (size_t k = chain.size() - 1; k >= 1 && location.length() == 0; --k)
      location = chain[k]->mLocation;
    entry->mLocation = location;
  }
  return any;
}

void AKConnectorAppInfoList::clear() {
  ObjectLock lock(*this);
  for (int32_t i = mEntries.length() - 1; i >= 0; --i) delete mEntries.removeAt(i);
  mLastUpdated = nullptr;
}

int32_t AKConnectorAppInfoList::length() const {
  ObjectLock lock(*this);
  return mEntries.length();
}

}  // namespace Velt
