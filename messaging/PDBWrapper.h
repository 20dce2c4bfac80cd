#pragma once

#include <cstdint>

#include "messaging/VtHeap.h"
#include "platform/tarn/Tarn.h"

namespace Velt {

namespace ArborTalkUtils {
class SharedLib;
}

// The product database and the installer database, opened through the
// product-configuration library, which is loaded at run time and called
// through the functions bound by name. Only the product database is ever
// written, and the connector never writes.
class PDBWrapper : public VtHeap {
 public:
  // The wrapper's own statuses.
  enum : tarnStatus {
    kLibraryNotLoaded = 1,
    kCloseFunctionMissing = 2,
    kNoInstallerSession = 9,
    kNotSupported = 11,
  };
  static constexpr char kLibraryName[] = "vesko_tarn.framework";
  // The install state and collection under which the installer's payloads
  // stand for the subdomains of a domain that is not read directly.
  static constexpr tarnInstallState kInstalledState = 4;
  static constexpr char kDomainCollection[] = "OpalDataCollectionActingAsADomain";

  // Loads the library and, for the master database, opens both sessions.
  // Without the product database (or when not master) the library is
  // unloaded again and the wrapper is not good.
  PDBWrapper(bool master, tarnDomain domain);
  PDBWrapper(const PDBWrapper&) = delete;
  PDBWrapper& operator=(const PDBWrapper&) = delete;
  ~PDBWrapper() override;

  bool isGood() const;
  tarnDomain getDomain() const { return mDomain; }
  // The domain is read from the product database itself.
  bool useDomainData(tarnDomain domain) const;

  // Lists and values stay valid while the wrapper lives.
  tarnStatus pdbGetDomainDataSubdomains(tarnDomain domain, tarnTextList* subdomains);
  tarnStatus pdbGetDomainDataKeys(tarnDomain domain, const char* subdomain, tarnTextList* keys);
  tarnStatus pdbGetDomainData(tarnDomain domain, const char* subdomain, const char* key,
                              const char** value);
  tarnStatus pdbSetDomainData(tarnDomain domain, const char* subdomain, const char* key,
                              const char* value);
  tarnStatus pdbRemoveDomainData(tarnDomain domain, const char* subdomain, const char* key);

  tarnStatus tarnGetCollectionPayloads(tarnInstallState state, const char* collection,
                                       tarnTextList* payloads);
  tarnStatus tarnGetPayloadDataKeys(const char* payload, tarnDomain domain, tarnTextList* keys);
  tarnStatus tarnGetPayloadData(const char* payload, tarnDomain domain, const char* key,
                                const char** value);
  tarnStatus tarnGetPayloads(tarnInstallState state, tarnTextList* payloads);
  // The installer database is never written: kNotSupported.
  tarnStatus tarnSetPayloadData(const char* payload, tarnDomain domain, const char* key,
                                const char* value);
  tarnStatus tarnRemovePayloadData(const char* payload, tarnDomain domain, const char* key);
  tarnStatus tarnAddPayload(const char* payload);
  tarnStatus tarnRemovePayload(const char* payload);

  // The time is 0 unless the call succeeds.
  tarnStatus tarnGetLastModTime(uint32_t* time);
  tarnStatus pdbGetLastModTime(uint32_t* time);

 private:
  struct Functions {
    pdbOpenSessionNoCreateFunc pdbOpenSessionNoCreate = nullptr;
    pdbCloseSessionFunc pdbCloseSession = nullptr;
    pdbGetDomainDataSubdomainsFunc pdbGetDomainDataSubdomains = nullptr;
    pdbGetDomainDataKeysFunc pdbGetDomainDataKeys = nullptr;
    pdbGetDomainDataFunc pdbGetDomainData = nullptr;
    pdbSetDomainDataFunc pdbSetDomainData = nullptr;
    pdbRemoveDomainDataFunc pdbRemoveDomainData = nullptr;
    tarnOpenSessionFunc tarnOpenSession = nullptr;
    tarnCloseSessionFunc tarnCloseSession = nullptr;
    tarnGetCollectionPayloadsFunc tarnGetCollectionPayloads = nullptr;
    tarnGetPayloadDataKeysFunc tarnGetPayloadDataKeys = nullptr;
    tarnGetPayloadDataFunc tarnGetPayloadData = nullptr;
    tarnGetPayloadsFunc tarnGetPayloads = nullptr;
    tarnGetLastModTimeFunc tarnGetLastModTime = nullptr;
    pdbGetLastModTimeFunc pdbGetLastModTime = nullptr;
  };

  void unload();

  Functions mFunctions;
  ArborTalkUtils::SharedLib* mLibrary = nullptr;
  tarniSession mProductSession = nullptr;
  tarniSession mInstallerSession = nullptr;
  tarnDomain mDomain;
  bool mMaster;
};

}  // namespace Velt
