#pragma once

#include <cstdint>

#include "messaging/VtHeap.h"
#include "messaging/VtString.h"

namespace Velt {

// One application of the connector's registry.
class AKConnectorAppInfo : public VtHeap {
 public:
  // The extension an executable has unless the store says otherwise.
  static constexpr char kExecutableExtensionValue[] = "app";

  AKConnectorAppInfo();
  AKConnectorAppInfo(const AKConnectorAppInfo& other) = default;
  AKConnectorAppInfo& operator=(const AKConnectorAppInfo& other) = default;
  ~AKConnectorAppInfo() override;

  // Every field but the process id is compared.
  bool operator==(const AKConnectorAppInfo& other) const;
  bool operator!=(const AKConnectorAppInfo& other) const { return !(*this == other); }

  VtString mSpecifier;  // the key: name[_instance]-version[-locale]
  VtString mLocation;   // where the application is installed
  VtString mWindowClassName;
  VtString mBundleIdentifier;
  VtString mDisplayName;
  double mArborTalkVersion;
  bool mAllowMultipleInstances = false;
  bool mIsShellTool = false;
  bool mSupportsORKT = false;
  bool mMessageAuthentication = true;
  bool mMessageDigest = true;
  VtString mExecutableBasename;
  VtString mExecutableExtension;
  VtString mOMVDictionary;
  VtString mDeveloperInstallPath;
  // The specifier of the entry whose location this one takes.
  VtString mRedirectTo;
  // Recorded when the connector launched the application.
  uint32_t mProcessID = 0;
};

}  // namespace Velt
