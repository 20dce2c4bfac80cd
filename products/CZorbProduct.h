#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbVersionNumber.h"
#include "transaction/CZorbPlexarUI.h"

class CZorbExtension;
class CZorbExtensionInstallStep;
class CZorbProductInfo;
class CZoltProductInfoFromArbor;

// One host application in one version (and, where the host has them, one
// language). Host classes derive from it and fill in the pure operations;
// the engine owns the objects. The base keeps what every host shares: the
// token and attribute tables, the attributes read from the host's
// configuration file, the error text of the last failure, the
// application-data folder rule, the running test and the listing of the
// installed extensions.
//
// Products are used on the engine's worker thread only. The class-wide
// members are written while no other thread reads them (the system tokens
// once at engine start, the backed-up files during one operation).
//
// Sources: CZorbProduct.cpp (object, folders, running test, extension
// lists) and CZorbProductTokens.cpp (tokens and attributes).
class CZorbProduct {
 public:
  // Token names keep their "$"; attribute names are plain lower-case keys.
  using TokenMap = CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>;
  // The names a host's "VornConfig.xml" defines; only the keys are used.
  using ConfigTokenMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;
  using ExtensionList = CZorbTypedList<CZorbExtension*>;
  using StepVector = CZorbTypedVector<CZorbExtensionInstallStep*>;

  // Asks the messaging library whether a target answers: the library's
  // ping (target specifier, key or null, time-out in seconds) with its
  // answer text as UTF-8, empty when nothing answered.
  using Pinger = std::string (*)(const char* target, const char* key, int32_t timeoutSeconds);
  // Installs the ping that IsRunning uses; null restores the default, which
  // answers nothing (no messaging thread: nothing runs).
  static void SetPinger(Pinger pinger);
  // The answer of a running host.
  static constexpr char kEchoResponse[] = "ECHO_RESPONSE";
  // The time-out of the running test.
  static constexpr int32_t kRunningPingSeconds = 2;

  // Message ids of the string tables.
  enum : unsigned int {
    kMsgTokenUnresolved = 4185,     // product, token, value
    kMsgConfigUnreadable = 4193,    // configuration file
    kMsgAttributeMissing = 4211,    // attribute, product
    kMsgBothQuitAttributes = 4212,  // attribute, attribute, product
    kMsgAttributeValue = 4218,      // attribute, product, value, allowed values
  };

  // The product bit.
  enum : int32_t { kBitUnknown = 0, kBit32 = 1, kBit64 = 2 };

  // The suites named by "supportedinsuite": the current one and the one
  // before.
  static constexpr char16_t kCurrentSuite[] = u"WB5";
  static constexpr char16_t kPreviousSuite[] = u"WB4";
  // The quit message of a host that accepts the standard one.
  static constexpr char16_t kStandardQuitMessage[] = u"-quit";

  // Puts the machine's shared application-support folder (POSIX form)
  // into the private token map as "$sharedkilndatafolder" and
  // "$sharedcommondatafolder".
  CZorbProduct();
  virtual ~CZorbProduct();
  CZorbProduct(const CZorbProduct&) = delete;
  CZorbProduct& operator=(const CZorbProduct&) = delete;

  // -------------------------------------------------------------------
  // Virtual operations, in their order
  // -------------------------------------------------------------------

  // False when the error text is empty; otherwise copies it out.
  virtual bool GetErrorString(CString& out) const;
  // Host classes find their application, version and folders here.
  virtual void Initialize();
  virtual bool IsNotDeliveredTokenString(const CString& token) const;
  virtual bool IsProductReservedTokenString(const CString& token) const;
  // True; classes that take their information from the messaging library
  // give their own set-up flag.
  virtual bool IsAKInitializeSuccess() const;
  virtual void Terminate();
  // A non-empty user name selects that user's application-data folder.
  virtual void SetPaths(const CString& installFolder, const CString& userName);
  virtual void GetName(CString& out) const = 0;
  // Leaves out unchanged.
  virtual void GetConfigurationFolderName(CString& out) const;
  // The extensions folder below a configuration folder.
  virtual void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const = 0;
  virtual bool IsInstalled() const = 0;
  // The messaging ping: running exactly when the messaging name answers
  // "ECHO_RESPONSE".
  virtual bool IsRunning() const;
  virtual void GetInstallFolder(CString& out) const = 0;
  // The per-user extensions folder, ending with ":".
  virtual void GetExtensionsFolder(CString& out) const = 0;
  // Leaves out unchanged.
  virtual void GetSharedExtensionsFolder(CString& out) const;
  virtual bool BelongsTo(const char16_t* path) const = 0;
  virtual bool CanDelete(const char16_t* path) const = 0;
  virtual void Refresh() = 0;
  virtual bool RequiresRestart(CZorbExtension* extension, bool flag) const = 0;
  virtual bool RequiresRestart(const char16_t* path, bool flag) const = 0;
  virtual void GetBazaarName(CString& out) const = 0;
  virtual bool IsSupported() const = 0;
  virtual void GetVersion(CZorbVersionNumber& out) const = 0;
  // Whether a product requirement of a description names this product and
  // its version admits it.
  virtual bool Supports(const char16_t* product, const char16_t* version,
                        const char16_t* maxVersion) const = 0;
  virtual void GetProductFamily(CString& out) const = 0;
  // GetProductFamily.
  virtual void GetGroupName(CString& out) const;
  // The two families are equal, ignoring case.
  virtual bool IsInProductFamily(const CZorbProduct& other) const;
  // 0: no application signature.
  virtual uint32_t GetAppSignature() const;
  // Null.
  virtual CZorbProductInfo* getProductInfo();
  virtual void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const = 0;
  // These three leave their output unchanged.
  virtual void GetAppRegKey(CString& out) const;
  virtual void GetAppRegValName(CString& out) const;
  virtual void GetAppRegPaths(CZorbTypedList<CZorbString>& out) const;
  // Leaves the path unchanged.
  virtual void MassageDestination(CString& path) const;
  virtual void MassageExtension(CZorbExtension* extension);
  virtual void DetermineExecutableFileName(const CString& folder);
  // Leaves out unchanged.
  virtual void GetExecutableFileName(CString& out) const;
  // Walks up from folder to the folder that holds the executable
  // (GetExecutableFileName, inside GetExecutablePackageName when there is
  // one); installRoot receives it. False, with installRoot unchanged, when
  // the root is reached.
  virtual bool IsFolderPartOfInstall(const CString& folder, CString& installRoot) const;
  // Empties out.
  virtual void GetDebugExecutableFileName(CString& out) const;
  // These clear the list.
  virtual void GetTransientFolders(CZorbTypedList<CZorbString>& out) const;
  virtual void GetTransientFileExtensions(CZorbTypedList<CZorbString>& out) const;
  virtual void GetTransientFileExceptions(CZorbTypedList<CZorbString>& out) const;
  virtual bool SupportsMultiUser() const;
  // When true, the shared (all-users) extensions folder is searched too.
  virtual bool SupportsMultiUserAdmin() const;
  // Leaves both unchanged.
  virtual void GetRequiredNameAndVersion(CString& name, CString& version) const;
  // GetName.
  virtual void GetBinFolderName(CString& out) const;
  // These empty out.
  virtual void GetExecutablePackageName(CString& out) const;
  virtual void GetApplicationFolderName(CString& out) const;
  // True.
  virtual bool IsNeededNoCaseSensitiveTokens() const;
  // Adds the product's tokens to a token map of the install operation.
  virtual void MapTokens(const CString& first, const CString& second, TokenMap& out) const = 0;
  // 0: nothing to do. A host that keeps a configuration file of its own
  // appends install steps or edits it: 0 on success, -1 on failure.
  virtual int32_t ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                                       const CZorbExtension* extension, CString& error,
                                       CZorbPlexarUI::OperationType operation);
  virtual int32_t ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui,
                                     const CZorbExtension* extension, CString& error,
                                     CZorbPlexarUI::OperationType operation);
  // GetInstallFolder.
  virtual void GetApplicationFolder(CString& out) const;
  // GetName.
  virtual void GetDisplayName(CString& out) const;
  // These two are false.
  virtual bool IsExtensionObsolete(const CZorbExtension* extension, CString& reason) const;
  virtual bool GetExtensionWarning(const CZorbExtension* extension, CString& warning) const;
  // base, then "Quillory", then GetBinFolderName, then ":".
  virtual void BuildBinPath(const CString& base, CZorbPath& out) const;
  // "NoDefined".
  virtual void GetProductIconPath(CString& out) const;
  // The value of "$locale" (ignoring the key's case); empty, and logged,
  // when there is none.
  virtual void GetProductLocale(CString& out) const;
  // Position of the "$" of the first token in text that the configuration
  // file defines; negative when there is none.
  virtual int32_t FindTokenDefinedInVornConfig(const CString& text) const;

  // -------------------------------------------------------------------
  // Folders and extension lists (CZorbProduct.cpp)
  // -------------------------------------------------------------------

  // The sibling "Disabled Extensions" of the extensions folder: beside it
  // (in its parent) whatever its name. No trailing ":"; empty when the
  // product has no extensions folder or that has no parent.
  void GetDisabledExtensionsFolder(CString& out) const;
  // Whether that folder exists.
  bool ExtensionsAreDisabled() const;

  // The shared, current user's, a named user's or every user's
  // application-data folder passed through BuildBinPath; false, with out
  // untouched, when the system knows no such folder.
  bool GetSharedBinPath(CZorbPath& out) const;
  bool GetCurrentUserBinPath(CZorbPath& out) const;
  bool GetUserBinPathFor(const CZorbString& user, CZorbPath& out) const;
  bool GetAllUserBinPaths(CZorbTypedList<CZorbString>& out) const;

  // Loads the description at path and appends it with the two flags,
  // unless it cannot be loaded or a description of the same file name
  // (ignoring case) is listed already. listed holds the file names of the
  // list's descriptions as NoCaseKey makes them, and gains the new one.
  void addExtensionToList(const CString& fileName, const CZorbPath& path, bool enabled,
                          bool allUsers, ExtensionList* list,
                          std::unordered_set<std::u16string>& listed) const;
  // Appends every description (".kxi", case-sensitive) of the folder, in
  // listing order, reporting progress to the UI when given.
  void AddExtensionsFrom(const CZorbPath& folder, bool enabled, bool allUsers, ExtensionList* list,
                         CZorbPlexarUI* ui, int progressBase) const;
  // Appends the descriptions of the product's extension store and of its
  // "Disabled" folder to list (a new one when null). Null, with a given
  // list untouched, when the product is not installed or has no store;
  // null, and the list freed, when it ends up empty.
  ExtensionList* AppendExtensionsFromOtherProductSpecPxStoreFolder(ExtensionList* list,
                                                                   CZorbPlexarUI* ui,
                                                                   int progressBase) const;
  // The descriptions of the extensions folders (enabled) and their
  // "Disabled" folders, and of the shared ones where the product supports
  // them. A new list the caller owns with its extensions; null when the
  // product is not installed or nothing is found.
  ExtensionList* GetExtensionsFromConfigurationFolders() const;
  // Copies of the store's extensions whose primary product is this one,
  // marked enabled when their description lies in the extensions folder
  // (and all-users when in the shared one). A new list the caller owns;
  // null when not installed, without a store list, or when none applies.
  ExtensionList* GetExtensionsFromPXStore(CZorbPlexarUI* ui, const ExtensionList* store) const;
  // Deletes the descriptions in the extensions folder that have no file of
  // the same name in the store folder. Nothing happens when the store
  // folder is empty or missing.
  void deleteUnnecessaryKxiFileFromFlagFolder(const CZorbPath& storeFolder) const;

  // Whether the previous suite supports the product (logged).
  bool IsSupportedInLastSuite() const;
  // Whether the configuration-file path equals path, ignoring case.
  bool pathIsVornconfigPath(const CString& path) const;
  // Whether the program edits the file at path for this host (its
  // configuration file, its plug-in configuration file, the configuration
  // files its changes go into), so that no extension may replace it whole.
  virtual bool IsEditedConfigurationFile(const CString& path) const;
  // The error text becomes message 4193 with folder + "VornConfig.xml".
  void updateErrorMessageByCheckVornConfig(const CString& folder);
  // Each unit's low byte, then a zero byte; the length. out holds at least
  // the length plus one bytes.
  static int wCharToChar(char* out, const CString& text);

  // The configuration files backed up in the current operation.
  static bool BackUpFileExists(const CString& path);
  static void AddBackUpFile(const CString& path);
  // Where a configuration file is backed up: its extension replaced by
  // its first character and "bk" ("Menus.xml" to "Menus.xbk").
  static CString BackupPathFor(const CString& path);

  // -------------------------------------------------------------------
  // Tokens and attributes (CZorbProductTokens.cpp)
  // -------------------------------------------------------------------

  // Fills the class-wide system tokens: "$" + name to the value in POSIX
  // form. A value that is not a colon path keeps its text.
  static void SetSystemToken(const TokenMap& tokens);
  // Copies every entry of tokens into the private token map.
  void MapSystemTokenToPrivateTokenReferrence(const TokenMap& tokens);
  // The private token map holds the name (exact key).
  bool isTokenSpecified(const CString& name) const;
  // Resolves the tokens inside value when the configuration file defines
  // name (else true, value unchanged). False when a token is unknown or a
  // pass needs more than 10 substitutions; value is then partly resolved.
  bool processTokenString(const CString& name, CString& value) const;
  // The private "$" tokens, resolved, as paths, without their "$". Stops
  // at the first that cannot be resolved (message 4185).
  void processUserDefinedMappedToken(TokenMap& out);
  // Copies the user-defined token map into out.
  void mapUserDefinedMappedToken(TokenMap& out) const;

  // The attribute readers; each writes its own field and, on a problem,
  // the error text.
  void processPXStorePath();
  void processPreferredExtensionFolder();
  void evaluatePluginConfigFilePath();
  void evaluateHostId();
  void evaluateGlobalProductName();
  void evaluateWhetherNeedNotification();
  void evaluateWhetherNeedShowFiles();
  void evaluateWhetherSupportLockedExtensions();
  void evaluateProductBit();
  void evaluateQuitMessage();
  // All the readers above but the store path, in the order the hosts run
  // them once their folders are known.
  void evaluateAttributes();
  // The install folder info names into installFolder (colon form; emptied
  // when it is no folder) and its "$installfolder" token, then the path of
  // the configuration file from folder, else from the install folder. False
  // when info names no install folder.
  bool readInstallation(CZoltProductInfoFromArbor& info, const CString& folder,
                        CZorbPath& installFolder);
  // Whether the current suite supports the product (logged); sets the
  // supported-in-suite field.
  bool canBeSupportedByCurPlexo();

  // -------------------------------------------------------------------
  // Class-wide members
  // -------------------------------------------------------------------

  // "$" + name to a folder (POSIX form); filled once at engine start.
  static TokenMap _SystemToken;
  // Configuration files already backed up in the current operation; the
  // engine empties the list when an install or a removal starts.
  static CZorbTypedList<CString> m_backedUpFiles;
  // The UI's locale; set by the shell before the engine starts.
  static CString _defaultLocale;

  // -------------------------------------------------------------------
  // Fields
  // -------------------------------------------------------------------

  // Token names (with "$") and attribute names to their values.
  TokenMap m_privateTokens;
  // The extension store ("pxstorepath").
  CString m_pxStorePath;
  // A store of its own for each user; empty for products that share one.
  // No product information names it, so only a product class sets it.
  CString m_userLevelStore;
  // Where an earlier version's extensions are migrated from
  // ("preextensionfolder").
  CString m_preferredExtensionFolder;
  // The message of the last failure.
  CString m_errorString;
  // The product's own tokens without "$", resolved; MapTokens hands them on.
  TokenMap m_userDefinedTokens;
  // The name the messaging library and the product database know the host
  // by ("lumen-10.0"); empty for hosts found by application signature.
  CString m_arborName;
  // The names the host's "VornConfig.xml" defines (values unused).
  ConfigTokenMap m_vornConfigTokens;
  // The full path of the host's "VornConfig.xml".
  CString m_vornConfigPath;
  // The product's extensions are still to be migrated from its preferred
  // folder (set by the engine).
  bool m_needsMigration = false;
  bool m_needOperationNotification = false;  // "needoperationnotification"
  bool m_showInstalledFiles = false;         // "showinstalledfiles"
  bool m_supportsLockableExtension = false;  // "needlockableextension"
  // Sent to a running host to make it quit before its files change
  // ("quitscript", or "-quit").
  CString m_quitMessage;
  CString m_hostNameForWBXS;           // "hostnameforwbxs"
  CString m_pluginConfigFile;          // "pluginconfigfile", tokens resolved
  CString m_supportedInSuite;          // "supportedinsuite"
  CString m_globalProductName;         // "globalproductname"
  int32_t m_productBit = kBitUnknown;  // "bit"

 protected:
  // The localised message id formatted with the texts.
  static CString FormatMessage(unsigned int id, const CString& a);
  static CString FormatMessage(unsigned int id, const CString& a, const CString& b);
  static CString FormatMessage(unsigned int id, const CString& a, const CString& b,
                               const CString& c);
  static CString FormatMessage(unsigned int id, const CString& a, const CString& b,
                               const CString& c, const CString& d);
  // GetName as a CString.
  CString ProductName() const;

 private:
  // The shared rules of the attribute readers.
  void ProcessFolderAttribute(const char16_t* key, const char16_t* logText, CString& field);
  void EvaluateRequiredText(const char16_t* key, const char16_t* displayName, CString& field);
  void EvaluateFlag(const char16_t* key, const char16_t* displayName, bool& flag);
};
