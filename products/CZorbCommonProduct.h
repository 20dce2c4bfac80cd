#pragma once

#include <memory>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "products/CZorbProduct.h"

class CZoltProductInfoFromArbor;

// A host described only by data: the messaging library knows it by name,
// and its names, version, folders, language, icon and tokens are the
// parameters of its "VornConfig.xml". The engine makes one per such host,
// calls Initialize, and keeps it when IsAKInitializeSuccess and IsInstalled
// say the parameters were complete and the host belongs to this suite.
class CZorbCommonProduct : public CZorbProduct {
 public:
  // The type code of a "command" extension, which needs no restart.
  static constexpr int32_t kCommandExtensionType = 1;
  // The part of a path that marks a script extension.
  static constexpr char16_t kScriptExtensionsFolder[] = u"JSExtensions";
  static constexpr char16_t kDefaultLocale[] = u"en_US";
  static constexpr char16_t kNoIcon[] = u"NoDefined";

  // name: the messaging name; path: the POSIX folder of a host added by
  // path (empty for one the product database knows). Finds the install
  // folder and reads the configuration file.
  CZorbCommonProduct(const CString& name, const CString& path);
  ~CZorbCommonProduct() override;

  bool GetErrorString(CString& out) const override;
  // processParams, then the attribute readers.
  void Initialize() override;
  bool IsAKInitializeSuccess() const override;
  void Terminate() override;
  void Refresh() override;
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override;
  void GetName(CString& out) const override;
  void GetInstallFolder(CString& out) const override;
  void GetExtensionsFolder(CString& out) const override;
  void GetProductFamily(CString& out) const override;
  void GetBazaarName(CString& out) const override;
  void GetGroupName(CString& out) const override;
  void GetExecutableFileName(CString& out) const override;
  void GetProductIconPath(CString& out) const override;
  void GetVersion(CZorbVersionNumber& out) const override;
  bool IsInstalled() const override;
  // The messaging ping; false without a messaging name.
  bool IsRunning() const override;
  // Whether path begins with the install folder (ignoring case).
  bool BelongsTo(const char16_t* path) const override;
  bool CanDelete(const char16_t* path) const override;
  bool IsSupported() const override;
  bool IsNeededNoCaseSensitiveTokens() const override;
  // True unless the extension is a command.
  bool RequiresRestart(CZorbExtension* extension, bool flag) const override;
  // True for a path holding "JSExtensions" (ignoring case) when flag is set.
  bool RequiresRestart(const char16_t* path, bool flag) const override;
  // Whether product begins with the product name (ignoring case); a
  // product without a name supports nothing.
  bool Supports(const char16_t* product, const char16_t* version,
                const char16_t* maxVersion) const override;
  // The version up to the next major version ("10.0.2" to "11.0.0");
  // 0.0.0 twice without a version.
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  // The user-defined tokens.
  void MapTokens(const CString& first, const CString& second, TokenMap& out) const override;

  virtual void SetVersion(const CZorbVersionNumber& version);
  // The UI's locale, else "defaultlocale", else the user's preferred
  // language, else "en_US".
  virtual void GetLanguageCode(CString& out) const;

  // The display name from "desttokenname", tokens resolved. Not used by
  // the program.
  void processDestTokenName();

 private:
  void processParams();
  void processUserFolderName();
  // One text parameter into field; false when it ends up empty or still
  // holds a token (never for canFail false).
  bool processTextParam(const char16_t* key, CString& field, const char16_t* logPrefix,
                        const CString& logName, bool canFail);
  void processLanguageCode();
  void processIconPath();
  void processExecutable();
  bool processMappedToken();
  // Marks the product unusable: no install folder, not initialised.
  void fail();

  CString m_productName;
  CZorbPath m_installFolder;
  CZorbPath m_extensionsFolder;
  CZorbVersionNumber m_version;
  CString m_displayName;
  CString m_iconPath;
  CString m_groupName;
  std::unique_ptr<CZoltProductInfoFromArbor> m_productInfo;
  bool m_initialized = true;
  CString m_executableFileName;
};
