#pragma once

// A string table for tests while the object lives: each given id reads
// "<id>" and, for ids with an argument, "<id>[%s]" (two: "<id>[%s|%s]"), so
// a test sees which message was shown with what. The table in force before
// comes back afterwards.
//
//   testsupport::ScopedStrings strings({4043}, {4047, 4195});

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>

#include "foundation/CString.h"

namespace testsupport {

class ScopedStrings {
 public:
  ScopedStrings(std::initializer_list<unsigned> plain, std::initializer_list<unsigned> oneArgument,
                std::initializer_list<unsigned> twoArguments = {})
      : m_saved(CString::g_DataMap) {
    CString::g_DataMap.clear();
    for (unsigned id : plain) CString::g_DataMap[id] = std::to_string(id);
    for (unsigned id : oneArgument) CString::g_DataMap[id] = std::to_string(id) + "[%s]";
    for (unsigned id : twoArguments) CString::g_DataMap[id] = std::to_string(id) + "[%s|%s]";
  }
  ~ScopedStrings() { CString::g_DataMap = m_saved; }
  ScopedStrings(const ScopedStrings&) = delete;
  ScopedStrings& operator=(const ScopedStrings&) = delete;

 private:
  std::map<uint32_t, std::string> m_saved;
};

}  // namespace testsupport
