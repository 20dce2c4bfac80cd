#pragma once

#include <cstdint>

#include "messaging/AKConnectorAppInfo.h"
#include "messaging/VtHeap.h"
#include "messaging/VtString.h"

namespace Velt {

class PDBWrapper;

// Walks the wrapper's domain of the product database: every subdomain
// under the application prefix is read key by key into an entry (group
// subdomains give group entries instead), and the subclass takes what
// was read.
class PDBIterator : public VtHeap {
 public:
  // The domain whose https addresses count as trusted locations.
  static constexpr char kTrustedDomainSuffix[] = "vesko.com";

  PDBIterator();
  ~PDBIterator() override;

  // False when the wrapper is not good or a listing fails; an empty
  // domain is a successful walk over nothing.
  bool run(PDBWrapper& wrapper);

  // The databases' modification times read by the last run (0 unknown).
  uint32_t installerTime() const { return mInstallerTime; }
  uint32_t productTime() const { return mProductTime; }

  // The text when it is an https address on a host of the trusted domain,
  // else empty.
  static VtString trustedURL(const VtString& text);

 protected:
  virtual bool onStart(PDBWrapper& wrapper);
  virtual void onEnd(PDBWrapper& wrapper);
  virtual bool onStartSubDomain(PDBWrapper& wrapper, const VtString& subdomain,
                                AKConnectorAppInfo& info);
  virtual bool onEndSubDomain(PDBWrapper& wrapper, const VtString& subdomain,
                              AKConnectorAppInfo& info);
  virtual bool onKey(PDBWrapper& wrapper, const VtString& subdomain, const VtString& key,
                     AKConnectorAppInfo& info);
  virtual bool onError(PDBWrapper& wrapper, const VtString& subdomain, const VtString& key);
  virtual bool onAppInfo(PDBWrapper& wrapper, AKConnectorAppInfo& info) = 0;
  virtual bool onGroupInfo(PDBWrapper& wrapper, const VtString& key, const VtString& entry) = 0;

  // The alert of a value that cannot be read.
  static void alertUnreadable(const VtString& subdomain, const VtString& key);
  bool isGroupSubdomain(const VtString& subdomain) const;

  VtString mAppSubdomainPrefix;
  VtString mGroupKeyPrefix;
  VtString mGroupSubdomainPrefix;
  VtString mGuidKey;
  VtString mLocationKey;
  VtString mWinClassNameKey;
  VtString mDisplayNameKey;
  VtString mBundleIdentifierKey;
  VtString mArborTalkVersionKey;
  VtString mAllowMultipleInstancesKey;
  VtString mIsShellToolKey;
  VtString mMessageAuthenticationKey;
  VtString mMessageDigestKey;
  VtString mSupportsOrktKey;
  VtString mExecutableBasenameKey;
  VtString mExecutableExtensionKey;
  VtString mOMVDictionaryKey;
  VtString mDeveloperInstallPathKey;
  VtString mRedirectToKey;

 private:
  uint32_t mInstallerTime = 0;
  uint32_t mProductTime = 0;
};

}  // namespace Velt
