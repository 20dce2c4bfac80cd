#include "messaging/PDBWrapper.h"

#include "messaging/DebugAlert.h"
#include "messaging/SharedLib.h"

namespace Velt {

using ArborTalkUtils::SharedLib;

namespace {

template <class F>
void bind(SharedLib* library, F& function, const char* name) {
  function = reinterpret_cast<F>(SharedLib::getFunctionPtr(library, name));
}

}  // namespace

PDBWrapper::PDBWrapper(bool master, tarnDomain domain) : mDomain(domain), mMaster(master) {
  mLibrary = SharedLib::loadPDBLibrary(kLibraryName);
  if (mLibrary == nullptr) return;
  Functions& f = mFunctions;
  bind(mLibrary, f.pdbOpenSessionNoCreate, "pdbOpenSessionNoCreate");
  bind(mLibrary, f.pdbCloseSession, "pdbCloseSession");
  bind(mLibrary, f.pdbGetDomainDataSubdomains, "pdbGetDomainDataSubdomains");
  bind(mLibrary, f.pdbGetDomainDataKeys, "pdbGetDomainDataKeys");
  bind(mLibrary, f.pdbGetDomainData, "pdbGetDomainData");
  bind(mLibrary, f.pdbSetDomainData, "pdbSetDomainData");
  bind(mLibrary, f.pdbRemoveDomainData, "pdbRemoveDomainData");
  bind(mLibrary, f.tarnOpenSession, "tarnOpenSession");
  bind(mLibrary, f.tarnCloseSession, "tarnCloseSession");
  bind(mLibrary, f.tarnGetCollectionPayloads, "tarnGetCollectionPayloads");
  bind(mLibrary, f.tarnGetPayloadDataKeys, "tarnGetPayloadDataKeys");
  bind(mLibrary, f.tarnGetPayloadData, "tarnGetPayloadData");
  bind(mLibrary, f.tarnGetPayloads, "tarnGetPayloads");
  bind(mLibrary, f.tarnGetLastModTime, "tarnGetLastModTime");
  bind(mLibrary, f.pdbGetLastModTime, "pdbGetLastModTime");

  if (master && f.pdbOpenSessionNoCreate != nullptr &&
      f.pdbOpenSessionNoCreate(&mProductSession) == kTarnSuccess) {
    // Without the installer database, locations come from the product
    // database alone.
    if (f.tarnOpenSession == nullptr || f.tarnOpenSession(&mInstallerSession) != kTarnSuccess)
      mInstallerSession = nullptr;
    return;
  }
  mProductSession = nullptr;
  VT_DEBUG_ALERT("PDBWrapper - pdbOpenSessionNoCreate() failed.");
  unload();
}

PDBWrapper::~PDBWrapper() {
  if (mProductSession != nullptr) {
    const tarnStatus status = mFunctions.pdbCloseSession
                                  ? mFunctions.pdbCloseSession(mProductSession)
                                  : tarnStatus{kCloseFunctionMissing};
    if (status != kTarnSuccess) VT_DEBUG_ALERT("PDBWrapper - pdbCloseSession() failed.");
  }
  if (mInstallerSession != nullptr) {
    const tarnStatus status = mFunctions.tarnCloseSession
                                  ? mFunctions.tarnCloseSession(mInstallerSession)
                                  : tarnStatus{kCloseFunctionMissing};
    if (status != kTarnSuccess) VT_DEBUG_ALERT("PDBWrapper - tarnCloseSession() failed.");
  }
  unload();
}

void PDBWrapper::unload() {
  SharedLib::unloadPDBLibrary(mLibrary);
  mLibrary = nullptr;
  mFunctions = Functions();
}

bool PDBWrapper::isGood() const {
  return mLibrary != nullptr;
}

bool PDBWrapper::useDomainData(tarnDomain domain) const {
  return mMaster && domain != 0;
}

tarnStatus PDBWrapper::pdbGetDomainDataSubdomains(tarnDomain domain, tarnTextList* subdomains) {
  if (!useDomainData(domain))
    return tarnGetCollectionPayloads(kInstalledState, kDomainCollection, subdomains);
  if (mFunctions.pdbGetDomainDataSubdomains == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbGetDomainDataSubdomains(mProductSession, domain, subdomains);
}

tarnStatus PDBWrapper::pdbGetDomainDataKeys(tarnDomain domain, const char* subdomain,
                                            tarnTextList* keys) {
  if (!useDomainData(domain)) return tarnGetPayloadDataKeys(subdomain, domain, keys);
  if (mFunctions.pdbGetDomainDataKeys == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbGetDomainDataKeys(mProductSession, domain, subdomain, keys);
}

tarnStatus PDBWrapper::pdbGetDomainData(tarnDomain domain, const char* subdomain, const char* key,
                                        const char** value) {
  if (!useDomainData(domain)) return tarnGetPayloadData(subdomain, 0, key, value);
  if (mFunctions.pdbGetDomainData == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbGetDomainData(mProductSession, domain, subdomain, key, value);
}

tarnStatus PDBWrapper::pdbSetDomainData(tarnDomain domain, const char* subdomain, const char* key,
                                        const char* value) {
  if (mFunctions.pdbSetDomainData == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbSetDomainData(mProductSession, domain, subdomain, key, value);
}

tarnStatus PDBWrapper::pdbRemoveDomainData(tarnDomain domain, const char* subdomain,
                                           const char* key) {
  if (mFunctions.pdbRemoveDomainData == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbRemoveDomainData(mProductSession, domain, subdomain, key);
}

tarnStatus PDBWrapper::tarnGetCollectionPayloads(tarnInstallState state, const char* collection,
                                                 tarnTextList* payloads) {
  if (mFunctions.tarnGetCollectionPayloads == nullptr) return kLibraryNotLoaded;
  if (mInstallerSession == nullptr) return kNoInstallerSession;
  return mFunctions.tarnGetCollectionPayloads(mInstallerSession, state, collection, payloads);
}

tarnStatus PDBWrapper::tarnGetPayloadDataKeys(const char* payload, tarnDomain domain,
                                              tarnTextList* keys) {
  if (mFunctions.tarnGetPayloadDataKeys == nullptr) return kLibraryNotLoaded;
  if (mInstallerSession == nullptr) return kNoInstallerSession;
  return mFunctions.tarnGetPayloadDataKeys(mInstallerSession, payload, domain, keys);
}

tarnStatus PDBWrapper::tarnGetPayloadData(const char* payload, tarnDomain domain, const char* key,
                                          const char** value) {
  if (mFunctions.tarnGetPayloadData == nullptr) return kLibraryNotLoaded;
  if (mInstallerSession == nullptr) return kNoInstallerSession;
  return mFunctions.tarnGetPayloadData(mInstallerSession, payload, domain, key, value);
}

tarnStatus PDBWrapper::tarnGetPayloads(tarnInstallState state, tarnTextList* payloads) {
  if (mFunctions.tarnGetPayloads == nullptr) return kLibraryNotLoaded;
  if (mInstallerSession == nullptr) return kNoInstallerSession;
  return mFunctions.tarnGetPayloads(mInstallerSession, state, payloads);
}

tarnStatus PDBWrapper::tarnSetPayloadData(const char*, tarnDomain, const char*, const char*) {
  return kNotSupported;
}

tarnStatus PDBWrapper::tarnRemovePayloadData(const char*, tarnDomain, const char*) {
  return kNotSupported;
}

tarnStatus PDBWrapper::tarnAddPayload(const char*) {
  return kNotSupported;
}

tarnStatus PDBWrapper::tarnRemovePayload(const char*) {
  return kNotSupported;
}

tarnStatus PDBWrapper::tarnGetLastModTime(uint32_t* time) {
  if (time != nullptr) *time = 0;
  if (mFunctions.tarnGetLastModTime == nullptr) return kLibraryNotLoaded;
  return mFunctions.tarnGetLastModTime(time);
}

tarnStatus PDBWrapper::pdbGetLastModTime(uint32_t* time) {
  if (time != nullptr) *time = 0;
  if (mFunctions.pdbGetLastModTime == nullptr) return kLibraryNotLoaded;
  return mFunctions.pdbGetLastModTime(time);
}

}  // namespace Velt
