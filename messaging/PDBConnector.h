#pragma once

#include <cstdint>

#include "messaging/ArborTalkConnector.h"
#include "platform/tarn/Tarn.h"

namespace Velt {

class PDBWrapper;

// The connector backed by the installer's product database: every
// application registered under the application subdomain becomes an entry,
// the group subdomain gives the group entries. The database is only read;
// registrations and group changes live in memory.
class PDBConnector : public ArborTalkConnector {
 public:
  // Which database domain is read.
  enum DomainKey : int32_t { kInstaller = 0, kOpal = 1, kKlm = 2, kKvu = 3, kKmt = 4 };

  PDBConnector(const VtString& appSpecifier, bool master, int32_t domainKey);
  ~PDBConnector() override;

  using ArborTalkConnector::registerApplication;
  using ArborTalkConnector::unregisterApplication;

  // "PDB" for the master database's messaging domain.
  VtString getName() const override;
  // Reloads on next use when either database changed since the last load;
  // force also refreshes at once.
  bool updateCache(bool force) override;
  uint64_t getTimestamp() const override;
  // Keeps the group list in ascending byte order.
  bool addToGroup(const Specifier& specifier, const VtString& group,
                  const VtString* edition) override;
  bool removeFromGroup(const Specifier& specifier, const VtString& group,
                       const VtString* edition) override;

  static tarnDomain getPDBDomain(int32_t domainKey);

 protected:
  bool initLists(AKConnectorAppInfoList& apps, VtVector<VtString>& groups) override;
  bool registerApplication(AKConnectorAppInfo& info) override;
  bool unregisterApplication(const AKConnectorAppInfo& info) override;
  bool skipImport(const AKConnectorAppInfo& info) const override;

 private:
  VtString groupEntry(const Specifier& specifier, const VtString& group,
                      const VtString* edition) const;

  PDBWrapper* mWrapper;
  uint32_t mInstallerTime = 0;
  uint32_t mProductTime = 0;
  int32_t mDomainKey;
  bool mMaster;
};

}  // namespace Velt
