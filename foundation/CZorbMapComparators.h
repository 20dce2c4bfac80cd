#pragma once

#include <functional>
#include <string>

#include "foundation/CString.h"

class CZorbProduct;

// The orders of the program's maps: each a "less than" of two keys.

// 16-bit unit strings, by unit value, case-sensitive.
struct CZorbMapStringLessThan {
  bool operator()(const std::u16string& a, const std::u16string& b) const { return a < b; }
};

// CStrings by CString::operator< (unit values, case-sensitive).
struct CZorbMapCStringLessThan {
  bool operator()(const CString& a, const CString& b) const { return a < b; }
};

struct CZorbMapIntLessThan {
  bool operator()(int a, int b) const { return a < b; }
};

struct CZorbMapUIntLessThan {
  bool operator()(unsigned int a, unsigned int b) const { return a < b; }
};

// Products by address.
struct CZorbMapProductCompare {
  bool operator()(const CZorbProduct* a, const CZorbProduct* b) const {
    return std::less<const CZorbProduct*>()(a, b);
  }
};
