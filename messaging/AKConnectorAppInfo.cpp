#include "messaging/AKConnectorAppInfo.h"

#include <cstdlib>

#include "messaging/ArborTalk.h"

namespace Velt {

AKConnectorAppInfo::AKConnectorAppInfo()
    : mArborTalkVersion(std::strtod(ArborTalk::kVersion, nullptr)),
      mExecutableExtension(kExecutableExtensionValue) {}

AKConnectorAppInfo::~AKConnectorAppInfo() = default;

bool AKConnectorAppInfo::operator==(const AKConnectorAppInfo& other) const {
  return mSpecifier == other.mSpecifier && mLocation == other.mLocation &&
         mWindowClassName == other.mWindowClassName &&
         mBundleIdentifier == other.mBundleIdentifier && mDisplayName == other.mDisplayName &&
         mArborTalkVersion == other.mArborTalkVersion &&
         mAllowMultipleInstances == other.mAllowMultipleInstances &&
         mIsShellTool == other.mIsShellTool && mSupportsORKT == other.mSupportsORKT &&
         mMessageAuthentication == other.mMessageAuthentication &&
         mMessageDigest == other.mMessageDigest &&
         mExecutableBasename == other.mExecutableBasename &&
         mExecutableExtension == other.mExecutableExtension &&
         mOMVDictionary == other.mOMVDictionary &&
         mDeveloperInstallPath == other.mDeveloperInstallPath && mRedirectTo == other.mRedirectTo;
}

}  // namespace Velt
