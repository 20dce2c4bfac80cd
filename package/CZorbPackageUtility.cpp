#include "package/CZorbPackageUtility.h"

#include "foundation/CString.h"
#include "package/CZorbKxpPackage.h"
#include "package/CZorbYxpPackage.h"

const char16_t* CZorbPackageUtility::getStringTraslationForPackageType(int type) {
  switch (type) {
    case kYxp:
      return u"yxp";
    case kKxp:
      return u"kxp";
    default:
      return u"unk";
  }
}

int CZorbPackageUtility::getIntTraslationForPackageType(const char16_t* word) {
  if (!word) return kUnknown;
  const CString text(word);
  if (text.CompareNoCase(u"kxp") == 0) return kKxp;
  if (text.CompareNoCase(u"yxp") == 0) return kYxp;
  return kUnknown;
}

CZorbPackage* CZorbPackageUtility::createPackager(int type, const char16_t* fileName) {
  if (type == kYxp) return new CZorbYxpPackage(fileName);
  return new CZorbKxpPackage(fileName);
}
