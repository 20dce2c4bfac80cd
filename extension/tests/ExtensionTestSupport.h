#pragma once

// Helpers shared by the description model's tests.

#include <cstdint>
#include <map>
#include <string>

#include "foundation/CString.h"

namespace exttest {

inline std::u16string U(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

// Puts texts of the string table in place for a test and restores the
// table afterwards. The texts name their arguments so a test sees their
// order.
class StringTable {
 public:
  StringTable() : m_saved(CString::g_DataMap) {
    CString::g_DataMap[4194] = "invalid %s|%s|%s|%s";
    CString::g_DataMap[4199] = "empty %s";
    CString::g_DataMap[4200] = "not a url %s|%s";
    CString::g_DataMap[4196] = "not for wbxs %s";
    CString::g_DataMap[4206] = "missing %s|%s";
    CString::g_DataMap[4227] = "several primary";
    CString::g_DataMap[4229] = "unreadable %s";
    CString::g_DataMap[4234] = "breaks off %s|%s|%s";
  }
  ~StringTable() { CString::g_DataMap = m_saved; }
  StringTable(const StringTable&) = delete;
  StringTable& operator=(const StringTable&) = delete;

 private:
  std::map<uint32_t, std::string> m_saved;
};

}  // namespace exttest
