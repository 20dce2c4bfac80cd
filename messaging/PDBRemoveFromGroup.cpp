#include "messaging/PDBRemoveFromGroup.h"

#include "messaging/PDBWrapper.h"

namespace Velt {

PDBRemoveFromGroup::PDBRemoveFromGroup(const VtString& entry) : mEntry(entry) {}

PDBRemoveFromGroup::~PDBRemoveFromGroup() = default;

bool PDBRemoveFromGroup::onAppInfo(PDBWrapper&, AKConnectorAppInfo&) {
  return true;
}

bool PDBRemoveFromGroup::onGroupInfo(PDBWrapper& wrapper, const VtString& key,
                                     const VtString& entry) {
  if (!mNotFound || entry != mEntry) return true;
  if (wrapper.pdbRemoveDomainData(wrapper.getDomain(), mGroupSubdomainPrefix, key) == kTarnSuccess)
    mNotFound = false;
  return true;
}

}  // namespace Velt
