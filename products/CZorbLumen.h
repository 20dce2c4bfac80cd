#pragma once

#include <cstdint>
#include <memory>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "platform/os/FourCharCode.h"
#include "products/CZorbProduct.h"

class CZoltProductInfoFromArbor;
class CZorbXmlObject;

// The animation host Lumen in one version. Its install folder is the
// per-user configuration folder below the user's application support; the
// application folder holds the application. Besides the answers the engine
// asks for, the family applies tool-panel changes to the host's
// "Tools:toolConfig.xml". Each version is a thin subclass picking its row
// of the version table.
class CZorbLumen : public CZorbProduct {
 public:
  static constexpr uint32_t kSignature = platform::fourCC("QNQ2");

  // 1 and 2: the user's application-support folder; 3: its "First Run"
  // sub-folder instead of "Configuration"; other values: the application
  // folder.
  enum ConfigPathType : int32_t {
    kApplicationFolder = 0,
    kUserSupport = 1,
    kUserSupportToo = 2,
    kFirstRun = 3,
  };

  // Message ids of the string tables.
  enum : unsigned int {
    kMsgNotInstalled = 4043,
    kMsgCannotWrite = 4078,
    kMsgNotDisabled = 4145,
    kMsgNotEnabled = 4146,
    kMsgNotRemoved = 4147,
    kMsgObsolete = 4168,      // display name, type text
    kMsgHelpPanelWarn = 4170  // display name
  };

  // The last tool-panel slot: positions beyond it land in it.
  static constexpr int32_t kLastToolSlot = 17;

  // What tells one version from another.
  struct Version {
    int major;             // 6 to 11; range major.0.0 to major+1.0.0
    const char16_t* name;  // product name and, to 9, its folder name
    const char16_t* displayName;
    const char16_t* executable;         // application file name
    const char16_t* applicationFolder;  // folder in Applications; null: none
    const char16_t* package;            // application package name; null: none
    const char16_t* preferenceFile;     // in the user's Preferences; null: none
    const char16_t* binFolder;          // per-user folder name below the maker's
    const char16_t* maker;              // "Quillory" or "Vesko"
    const char16_t* arborName;          // messaging name; null: found by signature
  };

  ~CZorbLumen() override;

  // Found by the Applications folder or the signature (versions 10 and 11
  // with product information: by their configuration file).
  void Initialize() override;
  bool IsAKInitializeSuccess() const override;
  void Terminate() override;
  void Refresh() override;
  void SetPaths(const CString& installFolder, const CString& userName) override;
  void GetName(CString& out) const override;
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override;
  bool IsInstalled() const override;
  bool IsRunning() const override;
  void GetInstallFolder(CString& out) const override;
  void GetExtensionsFolder(CString& out) const override;
  bool BelongsTo(const char16_t* path) const override;
  // Not while the host runs.
  bool CanDelete(const char16_t* path) const override;
  bool RequiresRestart(CZorbExtension* extension, bool flag) const override;
  bool RequiresRestart(const char16_t* path, bool flag) const override;
  void GetBazaarName(CString& out) const override;
  bool IsSupported() const override;
  void GetVersion(CZorbVersionNumber& out) const override;
  bool Supports(const char16_t* product, const char16_t* version,
                const char16_t* maxVersion) const override;
  void GetProductFamily(CString& out) const override;
  uint32_t GetAppSignature() const override;
  CZorbProductInfo* getProductInfo() override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void MassageDestination(CString& path) const override;
  void GetExecutableFileName(CString& out) const override;
  bool SupportsMultiUser() const override;
  void GetBinFolderName(CString& out) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetApplicationFolderName(CString& out) const override;
  void MapTokens(const CString& first, const CString& second, TokenMap& out) const override;
  // Tool-panel changes; locale is the install's locale. Each tool-panel
  // file is backed up once per operation as a step of steps.
  int32_t ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                               const CZorbExtension* extension, CString& locale,
                               CZorbPlexarUI::OperationType operation) override;
  void GetApplicationFolder(CString& out) const override;
  void GetDisplayName(CString& out) const override;
  bool IsExtensionObsolete(const CZorbExtension* extension, CString& reason) const override;
  bool GetExtensionWarning(const CZorbExtension* extension, CString& warning) const override;
  // base + maker + bin folder name + ":".
  void BuildBinPath(const CString& base, CZorbPath& out) const override;

  virtual void GetLanguageCode(CString& out) const;
  virtual bool GetCurrentUserPath(CString& out, ConfigPathType type) const;
  virtual void GetConfigurationPath(CString& out, bool create, ConfigPathType type,
                                    int withLanguage) const;
  virtual void GetConfigurationPath(CString& out, unsigned int stringId, bool create,
                                    ConfigPathType type, int withLanguage) const;
  virtual bool ProcessToolpanelItemInsert(const CZorbXmlObject* change, bool remove);
  // Edits the tool-panel file; false when it is missing, cannot be read,
  // holds no group, or cannot be written (then it is left as it was).
  virtual bool ProcessToolpanelItemInsert(const CString& name, const CString& position,
                                          const CString& depth, bool remove);
  // New "tool" elements the caller owns.
  virtual CZorbXmlObject* InsertToolpanelItem(const CZorbXmlObject* slot, const CString& name,
                                              const CString& depth) const;
  virtual CZorbXmlObject* RemoveToolpanelItem(const CZorbXmlObject* slot,
                                              const CString& name) const;
  virtual void InitializeDisplayName();
  // The text of PREFERENCES:path[0]:...:path[count-1] in the version's
  // preference file.
  virtual bool GetPreferenceValue(const CString* path, int count, CString& out) const;

  // The tool-panel file below the install folder.
  CString ToolpanelFilePath() const;

  const Version& version() const { return m_row; }

  // The language tables of version 10, for the record.
  struct LocaleCode {
    uint16_t code;
    const char16_t* locale;
  };
  static const LocaleCode kRegionLocales[24];
  static const LocaleCode kScriptLocales[71];

 protected:
  explicit CZorbLumen(const Version& row);

  // Versions 9 to 11: tokens and "$userdatafolder".
  void SetUpMessagingVersion();
  // Versions 10 and 11: the messaging library's application folder and the
  // configuration file of folder (else of the application folder).
  void ReadProductInformation(const CString& folder);
  void processPhysicalParam();
  void FindApplication();
  // Version 10's rule: the region and script tables.
  void GetLanguageCodeByScript(CString& out) const;
  // Versions 7 to 9's rule: the preference file, else "en".
  void GetLanguageCodeFromPreferences(CString& out) const;

  const Version& m_row;
  CString m_name;
  CZorbPath m_installFolder;
  CZorbPath m_applicationFolder;
  CZorbPath m_configurationFolder;
  CZorbPath m_extensionsFolder;
  CZorbVersionNumber m_version;
  CString m_displayName;
  bool m_akInitialized = true;
  std::unique_ptr<CZoltProductInfoFromArbor> m_productInfo;
  // The step list of the operation in progress, for the backups.
  StepVector* m_steps = nullptr;
};

class CZorbLumen6 : public CZorbLumen {
 public:
  CZorbLumen6();
};
class CZorbLumen7 : public CZorbLumen {
 public:
  CZorbLumen7();
};
class CZorbLumen8 : public CZorbLumen {
 public:
  CZorbLumen8();
};
class CZorbLumen9 : public CZorbLumen {
 public:
  CZorbLumen9();
};
class CZorbLumen10 : public CZorbLumen {
 public:
  explicit CZorbLumen10(const CString& folder = CString());
  void GetLanguageCode(CString& out) const override;
};
class CZorbLumen11 : public CZorbLumen {
 public:
  explicit CZorbLumen11(const CString& folder = CString());
  void GetLanguageCode(CString& out) const override;
};
