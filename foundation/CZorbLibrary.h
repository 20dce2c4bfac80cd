#pragma once

#include <memory>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedMap.h"

namespace platform {
class DynamicLibrary;
}

// A loadable code bundle whose functions are reached through named
// function pointers. A subclass names the bundle and lists, in its
// constructor, each function's exported name with the variable that
// receives its address; Load opens the bundle and fills every variable.
class CZorbLibrary {
 public:
  using FunctionTable = CZorbTypedMap<std::u16string, void**, CZorbMapStringLessThan>;

  CZorbLibrary();
  // Releases the code and empties the table. Virtual, since subclasses are
  // deleted through this class.
  virtual ~CZorbLibrary();
  CZorbLibrary(const CZorbLibrary&) = delete;
  CZorbLibrary& operator=(const CZorbLibrary&) = delete;

  // True at once when the code is loaded. Otherwise opens the bundle (a
  // colon path of a bundle folder, or of a shared library file) and maps
  // the functions. When a function is missing the code is released again,
  // so that Load never reports success with unfilled pointers and a later
  // Load tries again; pointers filled before the missing one keep their
  // values.
  bool Load();
  // Fills the listed variables in name order; false without code, for an
  // entry without a variable, or for a function the code lacks.
  bool MapFunctionPointers();
  // Releases the code; the filled variables keep their values.
  void Unload();
  bool IsLoaded() const { return m_bundle != nullptr; }

 protected:
  // The bundle's colon path.
  virtual void GetBundlePath(CString& path) const = 0;

  std::unique_ptr<platform::DynamicLibrary> m_bundle;
  FunctionTable m_functions;
};
