#pragma once

#include <cstdint>
#include <memory>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "platform/os/FourCharCode.h"
#include "products/CZorbProduct.h"

class CZoltProductInfoFromArbor;

// The graphics host Emberly in one version. The family has one install
// folder, one configuration folder and one extensions folder (from version
// 8 on with a language sub-folder); versions 10 and 11 are described by the
// messaging library and their configuration file. Each version is a thin
// subclass that picks its row of the version table.
class CZorbEmberly : public CZorbProduct {
 public:
  static constexpr uint32_t kSignature = platform::fourCC("ZURA");

  // What tells one version from another.
  struct Version {
    int major;                     // 3 to 11; the range is major.0.0 to major+1.0.0
    const char16_t* name;          // product name
    const char16_t* executable;    // application file name
    const char16_t* configFolder;  // configuration folder name
    const char16_t* maker;         // maker in the registry key
    const char16_t* arborName;     // messaging name; null for hosts found by signature
  };

  ~CZorbEmberly() override;

  void Initialize() override;
  void Terminate() override;
  void Refresh() override;
  void SetPaths(const CString& installFolder, const CString& userName) override;
  void GetName(CString& out) const override;
  void GetConfigurationFolderName(CString& out) const override;
  // folder + configuration folder name + "Extensions" + ":" (+ language + ":"
  // from version 8 on).
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override;
  bool IsInstalled() const override;
  // The messaging ping when the host has a messaging name and answers;
  // otherwise whether an application of the signature and range runs.
  bool IsRunning() const override;
  void GetInstallFolder(CString& out) const override;
  void GetExtensionsFolder(CString& out) const override;
  bool BelongsTo(const char16_t* path) const override;
  bool CanDelete(const char16_t* path) const override;
  // True unless the extension is a command.
  bool RequiresRestart(CZorbExtension* extension, bool flag) const override;
  // True only for a path through "JSExtensions" with flag set.
  bool RequiresRestart(const char16_t* path, bool flag) const override;
  void GetBazaarName(CString& out) const override;
  bool IsSupported() const override;
  void GetVersion(CZorbVersionNumber& out) const override;
  // A name beginning with "emberly" and a version not above ours; the
  // maximum is not looked at.
  bool Supports(const char16_t* product, const char16_t* version,
                const char16_t* maxVersion) const override;
  void GetProductFamily(CString& out) const override;
  uint32_t GetAppSignature() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetAppRegKey(CString& out) const override;
  void GetAppRegValName(CString& out) const override;
  // Puts the destination through this version's configuration folder name
  // where it passes through the other naming's.
  void MassageDestination(CString& path) const override;
  void DetermineExecutableFileName(const CString& folder) override;
  void GetExecutableFileName(CString& out) const override;
  void MapTokens(const CString& first, const CString& second, TokenMap& out) const override;

  virtual void SetVersion(const CZorbVersionNumber& version);
  // Empty before version 8; the bundle's language in version 8; the locale
  // rules from version 9 on.
  virtual void GetLanguageCode(CString& out) const;

  const Version& version() const { return m_row; }

 protected:
  explicit CZorbEmberly(const Version& row);

  // Versions 3 and 4: the version and folders of the application found by
  // signature, else the range's low end and no folders.
  void FindBySignature();
  // Versions 6 to 9 without product information: the same search, the
  // language from the bundle from version 8 on, and SetPaths in any case.
  void FindBySignatureKeepingLanguage();

  const Version& m_row;
  CString m_name;
  CZorbPath m_installFolder;
  CZorbPath m_configurationFolder;
  CZorbPath m_extensionsFolder;
  CZorbVersionNumber m_version;
  CString m_executableFileName;
  // The bundle's language (versions 8 and up).
  CString m_language;
};

class CZorbEmberly3 : public CZorbEmberly {
 public:
  CZorbEmberly3();
  bool IsSupported() const override;
};

class CZorbEmberly4 : public CZorbEmberly {
 public:
  CZorbEmberly4();
};

class CZorbEmberly6 : public CZorbEmberly {
 public:
  CZorbEmberly6();
  void Initialize() override;
};

class CZorbEmberly7 : public CZorbEmberly {
 public:
  CZorbEmberly7();
  void Initialize() override;
};

class CZorbEmberly8 : public CZorbEmberly {
 public:
  CZorbEmberly8();
  void Initialize() override;
};

class CZorbEmberly9 : public CZorbEmberly {
 public:
  CZorbEmberly9();
  ~CZorbEmberly9() override;

  // With product information (versions 10 and 11): its parameters and the
  // attribute readers; without: found as version 8 is.
  void Initialize() override;
  bool IsAKInitializeSuccess() const override;
  bool IsProductReservedTokenString(const CString& token) const override;
  bool SupportsMultiUser() const override;
  // base + "Vesko" + bin folder name + ":".
  void BuildBinPath(const CString& base, CZorbPath& out) const override;
  CZorbProductInfo* getProductInfo() override;
  void MapTokens(const CString& first, const CString& second, TokenMap& out) const override;
  // The UI's locale, else "defaultlocale", else the user's preferred
  // language; two letters unless Chinese.
  void GetLanguageCode(CString& out) const override;

 protected:
  explicit CZorbEmberly9(const Version& row);
  // Versions 10 and 11: the messaging library's install folder and the
  // configuration file of folder (else of the install folder).
  void ReadProductInformation(const CString& folder);
  void processPhysicalParam();

  bool m_akInitialized = true;
  std::unique_ptr<CZoltProductInfoFromArbor> m_productInfo;
};

class CZorbEmberly10 : public CZorbEmberly9 {
 public:
  explicit CZorbEmberly10(const CString& folder = CString());
};

class CZorbEmberly11 : public CZorbEmberly9 {
 public:
  explicit CZorbEmberly11(const CString& folder = CString());
};
