#pragma once

// A package folder in a sandbox machine, descriptions put into it, and
// their loads with the lists of errors and warnings.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extension/CZorbExtension.h"
#include "extension/tests/ExtensionTestSupport.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "testsupport/SandboxMachine.h"

namespace exttest {

inline std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/extension/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::vector<std::u16string> Texts(const CZorbTypedList<CZorbString>& list) {
  std::vector<std::u16string> out;
  for (const CZorbString& text : list) out.push_back(U(text));
  return out;
}

class KxiTest : public testsupport::SandboxTest {
 protected:
  static constexpr const char* kPackage = "Users/ann/pkg/";

  // Puts the text into the package folder under name; its colon path.
  CString Put(const std::string& text, const std::string& name = "test.kxi") {
    sandbox.writeFile(kPackage + name, text);
    return Colon(name);
  }
  CString PutFixture(const std::string& fixture) { return Put(ReadFixture(fixture), fixture); }
  CString Colon(const std::string& name) const {
    return CString(sandbox.colon(kPackage + name).c_str());
  }
  int Load(CZorbExtension& e, const CString& path) {
    errors.clear();
    warnings.clear();
    return e.LoadWithLoadResourceFlagAndCheck(path, true, &errors, &warnings);
  }
  // Loads the text as a description.
  int LoadText(CZorbExtension& e, const std::string& text) { return Load(e, Put(text)); }

  StringTable strings;
  CZorbTypedList<CZorbString> errors;
  CZorbTypedList<CZorbString> warnings;
};

}  // namespace exttest
