#pragma once

#include <vector>

#include "messaging/AKConnectorAppInfoList.h"
#include "messaging/PDBIterator.h"
#include "messaging/VtVector.h"

namespace Velt {

// Loads the connector's lists from the product database. An application
// without a stored location gets one from the configuration path of the
// installer payload whose codes name it.
class PDBInitLists : public PDBIterator {
 public:
  static constexpr char kConfigPathKey[] = "KMTConfigPath";
  // How many last components a configuration path loses to become the
  // folder the application lies in.
  static constexpr int kConfigPathDepth = 5;

  PDBInitLists(AKConnectorAppInfoList& apps, VtVector<VtString>& groups);
  ~PDBInitLists() override;

  // Where the application lies, from a payload's configuration path.
  static VtString getLocationFromKMTConfigPath(const AKConnectorAppInfo& info,
                                               const VtString& path);

 protected:
  bool onStart(PDBWrapper& wrapper) override;
  void onEnd(PDBWrapper& wrapper) override;
  bool onStartSubDomain(PDBWrapper& wrapper, const VtString& subdomain,
                        AKConnectorAppInfo& info) override;
  bool onError(PDBWrapper& wrapper, const VtString& subdomain, const VtString& key) override;
  bool onAppInfo(PDBWrapper& wrapper, AKConnectorAppInfo& info) override;
  bool onGroupInfo(PDBWrapper& wrapper, const VtString& key, const VtString& entry) override;

 private:
  // An application code (lower case) and the configuration path of the
  // installer payload that lists it.
  struct PayloadJoin {
    VtString code;
    VtString configPath;
  };

  void clearGroups();

  AKConnectorAppInfoList& mApps;
  VtVector<VtString>& mGroups;
  std::vector<PayloadJoin> mJoins;
  // A value of the current subdomain could not be read.
  bool mSubdomainFailed = false;
};

}  // namespace Velt
