#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "platform/os/FileRef.h"
#include "products/CZorbProduct.h"

class CZorbConfigChanges;
class CZorbHelpChanges;

// The web-authoring host Loomwright, in one subclass per version (see
// CZorbLoomwrightVersions.h). It also recognises extensions written for
// its former edition Farstage. The family keeps the host's folders; the
// versions give names, signature, version range and folder rules.
//
// Sources: CZorbLoomwright.cpp (folders, support, tokens),
// CZorbWebConfigChanges.cpp (configuration and help change sets applied
// to the host's files).
class CZorbLoomwright : public CZorbProduct {
 public:
  static constexpr uint32_t kSignature = 0x4C6D5774;      // 'LmWt'
  static constexpr uint32_t kReloadEventId = 0x4C774A73;  // 'LwJs'
  static constexpr char16_t kReloadCommand[] = u"-qqjs=lw.reloadExtensions();";
  static constexpr char16_t kFamily[] = u"Loomwright";
  static constexpr char16_t kFormerEdition[] = u"farstage";

  // Message ids of the change processing.
  enum : unsigned int {
    kMsgObsolete = 4178,   // extension, product
    kMsgFileInUse = 4046,  // path
    kMsgSeveralProblems = 4075,
  };
  // Help errors (their own numbering).
  enum : int32_t { kHelpBooksFailed = 5, kHelpBadSet = 6, kHelpRetryRefused = 4 };
  // How long one retry of a locked file waits.
  static constexpr uint32_t kLockedFileWaitMs = 5000;

  CZorbLoomwright();
  ~CZorbLoomwright() override;

  void Terminate() override;
  void GetBazaarName(CString& out) const override;
  void GetConfigurationFolderName(CString& out) const override;
  void GetProductFamily(CString& out) const override;
  bool IsSupported() const override;
  void GetAppRegPaths(CZorbTypedList<CZorbString>& out) const override;
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override;
  bool BelongsTo(const char16_t* path) const override;
  bool CanDelete(const char16_t* path) const override;
  bool IsEditedConfigurationFile(const CString& path) const override;
  bool RequiresRestart(CZorbExtension* extension, bool flag) const override;
  bool RequiresRestart(const char16_t* path, bool flag) const override;
  void GetTransientFolders(CZorbTypedList<CZorbString>& out) const override;
  void GetTransientFileExtensions(CZorbTypedList<CZorbString>& out) const override;
  void GetTransientFileExceptions(CZorbTypedList<CZorbString>& out) const override;
  // Asks the running host to reload its extensions.
  void Refresh() override;
  // The process search by signature without a messaging name, else the ping.
  bool IsRunning() const override;
  // Finds the application and its version, then SetPaths.
  void Initialize() override;
  void SetPaths(const CString& installFolder, const CString& userName) override;
  bool Supports(const char16_t* product, const char16_t* version,
                const char16_t* maxVersion) const override;
  void MapTokens(const CString& destination, const CString& userFolder,
                 TokenMap& out) const override;
  void GetRequiredNameAndVersion(CString& name, CString& version) const override;
  bool IsExtensionObsolete(const CZorbExtension* extension, CString& reason) const override;

  void GetName(CString& out) const override;
  bool IsInstalled() const override;
  void GetInstallFolder(CString& out) const override;
  void GetExtensionsFolder(CString& out) const override;
  void GetSharedExtensionsFolder(CString& out) const override;
  void GetVersion(CZorbVersionNumber& out) const override;

  // Empty before version 7.
  virtual void GetVersionAsString(CString& out) const;

  // The filter of the application searches: refuses the former edition.
  static bool CheckLoomwrightPath(const platform::FSRef& application);

  // ---- Change processing (CZorbWebConfigChanges.cpp) ----
  // Every configuration change set of the extension; 0, or -1 at the
  // first set that fails (then a message was shown).
  int32_t ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                               const CZorbExtension* extension, CString& locale,
                               CZorbPlexarUI::OperationType operation) override;
  int32_t ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui, const CZorbExtension* extension,
                             CString& locale, CZorbPlexarUI::OperationType operation) override;
  // One set: 0 on success, 1 on failure (with an error counted and its
  // message in errorText).
  int32_t ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                               const CZorbConfigChanges* changes,
                               CZorbPlexarUI::OperationType operation, CString& errorText,
                               int32_t& errorCount, int32_t& warningCount,
                               const CZorbExtension* extension, const CString& locale);
  int32_t ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui, const CZorbHelpChanges* changes,
                             CZorbPlexarUI::OperationType operation, CString& errorText,
                             int32_t& errorCount, int32_t& warningCount,
                             const CZorbExtension* extension, const CString& locale);
  // Append the message of a code unless errorText holds it already.
  static void AddConfigError(CString& errorText, int32_t code, const CString& detail);
  static void AddHelpError(CString& errorText, int32_t code, const CString& detail);
  // Whether a change set's relative path names a file inside its folder:
  // no "..", ".", empty inner part, separator or absolute form.
  static bool IsContainedRelativePath(const CString& relative);

 protected:
  // Multi-user rules apply: the product and the system support them.
  bool MultiUserApplies() const;
  // The family's token rule (versions 9 and later use it without product
  // information).
  void MapFamilyTokens(const CString& destination, const CString& userFolder, TokenMap& out) const;
  // Steps of Initialize that find the application.
  void FindInstallation();
  // Waits until target may be written, asking the user; false when the
  // user gives up.
  bool WaitUntilWritable(CZorbPlexarUI* ui, const CString& target) const;

  CString m_name;
  CZorbPath m_installFolder;
  CZorbPath m_userFolder;
  CZorbPath m_userConfigFolder;
  CZorbPath m_appConfigFolder;
  CZorbPath m_helpFolder;
  CZorbPath m_userExtensionsFolder;
  CZorbPath m_sharedExtensionsFolder;
  CZorbVersionNumber m_version;
  bool m_namedUser = false;
};
