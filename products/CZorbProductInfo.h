#pragma once

#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedMap.h"

// What a host tells about itself: the values of its parameters, the folder
// it is installed in and its other folders, and the parameters turned into
// the product's tokens. This base knows nothing; see
// CZoltProductInfoFromArbor (the host's configuration file) and the fixed
// answers of LWArbor10Mock, EZArbor10Mock and NQArbor10Mock.
class CZorbProductInfo {
 public:
  // The product's private token map (token names keep their "$").
  using TokenMap = CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>;
  // The names the configuration file defines (values unused).
  using ConfigTokenMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  CZorbProductInfo() = default;
  // Owners hold the object through the derived class, but a base pointer
  // must free it whole too.
  virtual ~CZorbProductInfo();
  CZorbProductInfo(const CZorbProductInfo&) = delete;
  CZorbProductInfo& operator=(const CZorbProductInfo&) = delete;

  virtual void GetValue(const CString& key, CString& out) const = 0;
  // Each leaves out unchanged.
  virtual void GetInstallFolderName(CString& out);
  virtual void GetExtensionFolderName(CString& out);
  virtual void GetSharedExtensionFolderName(CString& out);
  virtual void GetUserConfigureFolderName(CString& out);
  virtual void GetUserBinFolderName(CString& out);
  virtual void GetAppConfigureFolderName(CString& out);
  virtual void GetHelpFolderName(CString& out);
  // Does nothing.
  virtual void mapToProductTokens(TokenMap& tokens, bool caseSensitive);
  // True; nothing is read.
  virtual bool processTokenString(const CString& installFolder, CString& outConfigPath,
                                  bool caseSensitive);
};
