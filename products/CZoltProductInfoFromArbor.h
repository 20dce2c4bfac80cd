#pragma once

#include <string>

#include "foundation/CString.h"
#include "products/CZorbProductInfo.h"

namespace Velt {
class VtString;
}

// A host's parameters from its "VornConfig.xml": the messaging library
// names the host's install folder, the file there is parsed into key and
// value pairs by whoever answers XML requests (CZorbGetXMLProxy), and the
// pairs become the product's tokens. Parsing blocks until the answer
// comes, so it runs on the worker thread, never on the main thread.
//
// With a marker file "Flag.useMock" in the program's folder the file named
// like the messaging name in that folder decides whether a configuration
// was found (mock data).
class CZoltProductInfoFromArbor : public CZorbProductInfo {
 public:
  // The key prefix of the pairs: <Configuration><VariableForPlexo>
  // <Data key="...">value</Data>.
  static constexpr char16_t kKeyPrefix[] = u"Configuration.VariableForPlexo.Data";
  static constexpr char16_t kConfigFileName[] = u"VornConfig.xml";
  static constexpr char16_t kConfigFolderName[] = u"Configuration";
  static constexpr char kMockMarker[] = "Flag.useMock";
  // The longest messaging name kept (the rest is cut).
  static constexpr size_t kMaxNameLength = 2051;
  // The longest application path taken from the messaging library.
  static constexpr int32_t kMaxPathLength = 2048;

  // name: the product's messaging name ("loomwright-11.0"). The two maps
  // are the product's, borrowed for the object's lifetime; both must be
  // given.
  CZoltProductInfoFromArbor(const CString& name, ConfigTokenMap* configTokens,
                            TokenMap* privateTokens);
  ~CZoltProductInfoFromArbor() override;

  // The proxy's value of key (empty when absent); out unchanged without a
  // proxy.
  void GetValue(const CString& key, CString& out) const override;
  // The folder that holds the application the messaging library records
  // for the name (POSIX form, no final "/"); empty when it records none.
  void GetInstallFolderName(CString& out) override;
  // Copies the proxy's pairs into the product's maps: keys lower-cased
  // unless caseSensitive, pairs whose key and value disagree (see
  // isLegalContext) left out.
  void mapToProductTokens(TokenMap& tokens, bool caseSensitive) override;
  // Finds the configuration file of the install folder (colon form, ending
  // with ":"): "Configuration:VornConfig.xml" below it, else "VornConfig.xml"
  // in it; its path goes to outConfigPath. Reads and has it parsed, then
  // maps the pairs. A missing or empty file empties both maps. False only
  // when the parse was refused (maps untouched).
  bool processTokenString(const CString& installFolder, CString& outConfigPath,
                          bool caseSensitive) override;

  // A key "a/b" stands for the token "a:b" whose value ends with "/b"
  // (ignoring case): then key becomes "a:b", that tail is cut off value and
  // the pair is taken. A key without "/" is taken as it stands. Otherwise
  // (also for a value shorter than the tail) the pair is not taken and both
  // stay as they were.
  static bool isLegalContext(CString& key, CString& value);

  static CString soStringToCString(const Velt::VtString& text);

 private:
  // Reads the file at path (colon form) into m_fileText, logging what it
  // does (the mock data's lines when mock).
  void readFile(const CString& path, bool mock);
  // The mock data: the file named like the product in the program's folder.
  void setMockConnectData();

  CString m_name;
  CString m_fileText;
  std::string m_name8;
  TokenMap* m_privateTokens;
  ConfigTokenMap* m_configTokens;
};
