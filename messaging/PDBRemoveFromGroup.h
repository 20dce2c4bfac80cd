#pragma once

#include "messaging/PDBIterator.h"

namespace Velt {

// Deletes one group entry from the product database: the first group key
// that holds it.
class PDBRemoveFromGroup : public PDBIterator {
 public:
  explicit PDBRemoveFromGroup(const VtString& entry);
  ~PDBRemoveFromGroup() override;

  // True while no key was removed.
  bool notFound() const { return mNotFound; }

 protected:
  bool onAppInfo(PDBWrapper& wrapper, AKConnectorAppInfo& info) override;
  bool onGroupInfo(PDBWrapper& wrapper, const VtString& key, const VtString& entry) override;

 private:
  VtString mEntry;
  bool mNotFound = true;
};

}  // namespace Velt
