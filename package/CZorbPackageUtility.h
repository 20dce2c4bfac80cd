#pragma once

class CZorbPackage;

// The package types, their words, and the factory of package objects.
class CZorbPackageUtility {
 public:
  enum PackageType { kUnknown = 0, kYxp = 1, kKxp = 2 };

  CZorbPackageUtility() = delete;

  // 1 "yxp", 2 "kxp", anything else "unk".
  static const char16_t* getStringTraslationForPackageType(int type);
  // "kxp" 2 and "yxp" 1 ignoring case; null and anything else 0.
  static int getIntTraslationForPackageType(const char16_t* word);
  // A YXP package for type 1, a KXP package for any other; the caller
  // deletes it. fileName may be null.
  static CZorbPackage* createPackager(int type, const char16_t* fileName);
};
