#include "products/CZorbHostDiscovery.h"

#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"

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

}  // namespace hostdiscovery
