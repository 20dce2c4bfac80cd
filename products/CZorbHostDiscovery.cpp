#include "products/CZorbHostDiscovery.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/StringUtil.h"
#include "platform/os/BundleLocalizations.h"
#include "platform/os/ColonPath.h"

namespace hostdiscovery {

bool FindApplication(uint32_t signature, const CZorbVersionNumber& low,
                     const CZorbVersionNumber& high, CString& appPath) {
  char16_t found[kZorbMaxPath] = u"";
  appPath.Empty();
  if (!CZorbOS::FindApp(signature, low, high, found)) return false;
  appPath = found;
  return appPath.GetLength() > 0;
}

bool ReadVersion(const CString& appPath, uint32_t signature, CZorbVersionNumber& version) {
  if (appPath.GetLength() == 0) return false;
  platform::FSRef ref;
  if (!CZorbOS::GetFSRefFromFilePath(appPath, ref)) return false;
  return CZorbOS::GetFileVersionNumber(ref, signature, version, false);
}

CString FolderOf(const CString& appPath) {
  const int32_t last = appPath.ReverseFind(u':');
  return last < 0 ? CString() : appPath.Left(last + 1);
}

bool BeginsWithNoCase(const char16_t* text, const char16_t* start) {
  if (text == nullptr || start == nullptr) return false;
  const CString prefix(start);
  const CString head = CString(text).Left(prefix.GetLength());
  return head.GetLength() == prefix.GetLength() && head.CompareNoCase(prefix) == 0;
}

CString RegistryKey(const char16_t* maker, const char16_t* product, const char16_t* version) {
  CString key = u"Software\\";
  key += maker;
  key += u"\\";
  key += product;
  key += u"\\";
  key += version;
  key += u"\\Installation";
  return key;
}

bool ProgramMarkerExists(const char* name) {
  if (gAppPath.empty()) return false;
  std::string posix = gAppPath;
  if (posix.back() != '/') posix += '/';
  posix += name;
  CString wide;
  StringUtil::convertStringToWide(posix, wide);
  CString colon;
  return CZorbOS::convertPath(std::u16string(wide.Get()), colon, false) &&
         CZorbOS::FileExists(colon);
}

CString BundleLanguage(const CString& appPath) {
  constexpr int32_t kMaxLanguageLength = 512;
  if (appPath.GetLength() == 0) return CString();
  const std::optional<std::string> converted =
      platform::colonToPosix(std::u16string_view(appPath.Get(), appPath.GetLength()));
  if (!converted) return CString();
  std::string bundle = *converted;
  while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
  const std::vector<std::string> preferred =
      platform::preferredLocalizations(platform::bundleLocalizations(bundle));
  if (preferred.empty()) return CString();
  CString language;
  StringUtil::convertStringToWide(preferred.front(), language);
  return language.Left(kMaxLanguageLength);
}

CString ColonFolder(const CString& folder) {
  CString colon;
  if (folder.GetLength() == 0) return colon;
  if (folder.GetAt(0) == u'/') {
    if (!CZorbOS::convertPath(std::u16string(folder.Get()), colon, true)) return CString();
  } else {
    colon = folder;
  }
  if (colon.GetLength() > 0 && colon.GetAt(colon.GetLength() - 1) != u':') colon += u':';
  return colon;
}

CString PosixFolder(const CString& colonFolder) {
  CString folder = colonFolder;
  if (folder.GetLength() > 0 && folder.GetAt(folder.GetLength() - 1) == u':')
    folder = folder.Left(folder.GetLength() - 1);
  if (folder.GetLength() == 0) return CString();
  // Only the form changes: nothing is made on the way.
  const std::optional<std::string> converted =
      platform::colonToPosix(std::u16string_view(folder.Get(), folder.GetLength()));
  if (!converted) return CString();
  CString posix;
  StringUtil::convertStringToWide(*converted, posix);
  return posix;
}

bool IsPlainName(const CString& text) {
  constexpr int32_t kMaxNameLength = 64;
  if (text.GetLength() == 0 || text.GetLength() > kMaxNameLength) return false;
  if (text == u"." || text == u"..") return false;
  return text.FindOneOf(u":/\\") < 0;
}

LanguageSource ConfiguredLanguage(
    const CString& defaultLocale,
    const CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>& tokens,
    CString& out) {
  if (defaultLocale.GetLength() > 0) {
    out = defaultLocale;
    return LanguageSource::kDefaultLocale;
  }
  const auto it = tokens.find(u"defaultlocale");
  if (it != tokens.end() && !it->second.empty()) {
    out = it->second.c_str();
    return LanguageSource::kToken;
  }
  const std::string preferred = CZorbOS::GetUserPreferredLanguageCode();
  if (preferred.empty()) return LanguageSource::kNone;
  CZorbOS::ansiCharToCString(preferred.c_str(), out);
  return LanguageSource::kUserPreference;
}

}  // namespace hostdiscovery
