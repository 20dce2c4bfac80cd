#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbVersionNumber.h"
#include "transaction/CZorbBusyFileHelper.h"
#include "transaction/CZorbInstallTransaction.h"

class CZorbExtension;
class CZorbExtensionFile;
class CZorbExtensionInstallStep;
class CZorbDateTime;
class CZorbExtensionPaths;
class CZorbExtensionProduct;
class CZorbPlexarUI;
class CZorbProduct;

// The extension engine: it opens packages, has their signatures checked and
// carries out the operations on extensions for the commands. Its sources
// are split by area: CZorbPlexar.cpp (the object), CZorbPlexarUnpack.cpp
// (packages, bundles and signatures), CZorbPlexarTokens.cpp (paths of a
// description's files), CZorbPlexarFiles.cpp (temporary folders).
//
// Every operation runs on the engine's worker thread.
class CZorbPlexar {
 public:
  // A folder to be copied as a whole: from where, to where, and whether an
  // existing destination may be replaced.
  struct DirectoryPair {
    CString m_source;
    CString m_destination;
    bool m_overwrite = true;
  };

  // One service-framework bundle of an extension: its id and version, and
  // its prepared folder (m_folders.m_source) with its destination.
  struct WBXSProcessedInfo {
    CString m_id;
    CString m_version;
    DirectoryPair m_folders;
  };

  // The bundles of an extension by path, in text order.
  using WBXSMap = CZorbTypedMap<CString, WBXSProcessedInfo, CZorbMapCStringLessThan>;

  // Package type codes.
  enum : int { kPackageYxp = 1, kPackageKxp = 2 };

  // The UI is borrowed; it may be null until the program sets it.
  explicit CZorbPlexar(CZorbPlexarUI* ui);
  virtual ~CZorbPlexar();
  CZorbPlexar(const CZorbPlexar&) = delete;
  CZorbPlexar& operator=(const CZorbPlexar&) = delete;

  void SetUI(CZorbPlexarUI* ui) { m_pUI = ui; }
  CZorbPlexarUI* GetUI() const { return m_pUI; }

  // ---------------------------------------------------------------------
  // Packages, bundles and signatures (CZorbPlexarUnpack.cpp)
  // ---------------------------------------------------------------------

  // Lists the package, finds its description (a ".kxi" file at its top)
  // and unpacks it into a fresh temporary install folder. A YXP package
  // without description that holds a service-framework bundle is
  // "stand-alone" (standalone 1): it is unpacked into a fresh bundle folder
  // instead, and its description is to be made in the install folder under
  // the package's name. description receives the description's path in the
  // install folder. 0, or -1 after a message to the user.
  int UnpackExtensionFile(bool showProgress, int& progressStep, const CString& package,
                          CString& description, CString& installFolder,
                          CZorbTypedVector<CString>& names, unsigned int& version,
                          uint32_t& encoding, int packageType, int& standalone,
                          CString& bundleFolder);
  // Unpacks a ".kxp" or ".yxp" package into an existing folder; type
  // receives its type code. On failure the folder is deleted (logged).
  bool UnpackFile(const CString& package, const CString& folder, int& type);
  // A fresh folder in the temporary folder, named from the prefix. 0 or -1.
  int CreateTemporaryFolder(const CString& prefix, CString& folder);
  // Where a bundle's files are found: the folder the description names, or,
  // for a bundle kept as a package (source), a folder "index" below out into
  // which it is unpacked. False after a message to the user.
  bool PrepareWBXSExtensionFolder(const CString& folder, const CString& source, const CString& name,
                                  int kind, CString& out, int index);
  // The POSIX path of a file below a folder, for the movie.
  bool getFilePathForBrio(const CString& folder, const CString& relative, CString& out);
  // A bundle's id and version from its "WBXS:manifest.xml".
  bool GetWBXSIdAndVersion(const CString& folder, CString& id, CString& version);
  // A bundle folder in the 1.4 format ("META-INF:manifest.xml").
  bool isWBXS1_4ExtensionDir(const CString& folder);
  // A bundle folder with its manifest and its signatures.
  bool isValidWBXSExtensionDir(const CString& folder);
  // A package listing of a stand-alone bundle.
  bool isYXPWBXSExtension(const CZorbTypedVector<CString>& names);
  // A bundle id names one folder directly below the bundle folder: a plain
  // name of bounded length, no separator, no control character, not "."
  // or "..", and no name the listings hide.
  static bool IsPlainBundleId(const CString& id);
  // Has the UI write the description of a stand-alone bundle package into
  // the working folder. 0 or -1.
  int CreateKxiForStandaloneWBXSYxp(const CString& package, const CString& bundleFolder);
  // Have the signatures of the extension's bundles, respectively of its
  // package, checked; results receive four texts per bundle or package
  // (name, "1" when signed, publisher, certificate type). False when the
  // extension is not to be installed: the check failed, was declined, or
  // answered with texts that don't make whole groups. The user has then
  // been told.
  bool validateWBXS(const CString& name, const WBXSMap& bundles,
                    CZorbTypedVector<CString>& results);
  bool validateNonWBXS(const CString& name, const CString& package,
                       CZorbTypedVector<CString>& results);
  // Records each whole group of four results as a signature of the extension.
  void addSignInfo(CZorbExtension* extension, const CZorbTypedVector<CString>& results,
                   const CString& extensionType);

  // ---------------------------------------------------------------------
  // Paths of a description's files (CZorbPlexarTokens.cpp)
  // ---------------------------------------------------------------------

  // Makes a description's source path a path below the folder the package
  // was unpacked into. A source that would leave it is refused (the user is
  // told): -1; else 0.
  int LocalizeSource(CZorbPath& source);

  // ---------------------------------------------------------------------
  // Temporary folders (CZorbPlexarFiles.cpp)
  // ---------------------------------------------------------------------

  // A fresh, empty folder in the temporary folder named after the working
  // description name; out ends in ":". 0, or -1 after a message.
  int createTempInstallPath(CZorbPath& out);

  // ---------------------------------------------------------------------
  // Start-up and the product registry (CZorbPlexar.cpp)
  // ---------------------------------------------------------------------

  // Makes a host object of a built-in line ("loomwright-10.0", ...) with
  // its configuration folder (may be empty); null for a line it has no
  // class for. Installed by the program; without one no built-in host is
  // made.
  using BuiltInHostMaker = CZorbProduct* (*)(const CString& specifier, const CString& folder);
  static void SetBuiltInHostMaker(BuiltInHostMaker maker);
  // The program's maker of the built-in lines ("loomwright-9.0" to
  // "lumen-11.0"); null for any other specifier.
  static CZorbProduct* MakeBuiltInHost(const CString& specifier, const CString& folder);
  // A new, set-up host object of the class whose display name is `name`
  // (any case), its folders set from `installFolder` when that is given;
  // null for an unknown name. The caller owns it.
  static CZorbProduct* CreateProduct(const CString& name, const CString& installFolder);
  // Makes the program as a product for each new engine; installed by the
  // program, so that tests give an engine their own.
  using OwnProductMaker = CZorbProduct* (*)();
  static void SetOwnProductMaker(OwnProductMaker maker);
  static CZorbProduct* MakeOwnProduct();
  // Makes a host described by its "VornConfig.xml" (specifier, POSIX
  // folder); without one start-up makes the common product itself.
  using CommonProductMaker = CZorbProduct* (*)(const CString& specifier, const CString& folder);
  static void SetCommonProductMaker(CommonProductMaker maker);

  // Start-up: tokens, derived and registered hosts, the built-in lines,
  // their set-up and extensions folders, the type labels. Always 0.
  int Init();
  // Has every installed product set up its folders for the user.
  void LoginAs(const CString& user);
  // Platforms 0 and 1.
  bool isPlatformStatified(int platform) const;
  // Marks a product whose extensions are to be imported from its
  // preferred folder, and counts it.
  bool checkWhetherProductNeedImport(CZorbProduct* product);
  // An installed product of that name (ignoring case).
  bool IsProductInstalled(const char16_t* name) const;
  // The host for an install from a description's product element: by
  // group, then running, then installed, each through the UI's Supports;
  // null when none (or for another platform).
  CZorbProduct* FindProduct(const char16_t* first, const char16_t* second, const char16_t* third,
                            const CString& group, const CString& productName, bool flagA,
                            bool flagB, int platform, int option);

  // Over the registry: removes the extension of that description file
  // name and version from every product (the count leaves out the
  // program's own); counts the products where it is enabled; whether one
  // holds an equal, enabled extension.
  int RemoveExtensionFromAllProducts(CZorbExtension* extension);
  int CountEnabledProducts(const CZorbExtension* extension) const;
  bool checkIfExtensionHasBeenEnabledOnce(const CZorbExtension* extension) const;
  bool IsProductsEqual(const CZorbProduct* a, const CZorbProduct* b) const;
  bool NeedCreateExtensionPathFile(const CZorbProduct* product,
                                   const CZorbExtension* extension) const;
  // False, with message 4231, for a product's "VornConfig.xml".
  bool isFileAllowToBeModified(const CString& path, CString& message) const;
  // The program itself as a product; null while there is none.
  const CZorbProduct* OwnProduct() const { return m_ownProduct; }

  // ---------------------------------------------------------------------
  // The install transaction and busy files (CZorbPlexarSteps.cpp)
  // ---------------------------------------------------------------------

  // The open transaction: helpers append their steps here and run them.
  CZorbInstallTransaction& GetTransaction() { return m_transaction; }
  CZorbInstallTransaction::StepVector& GetSteps() { return m_transaction.GetSteps(); }
  // Runs the step's Do until it succeeds; while it fails, tells the person
  // the file is in use and tries again after Retry. False when the folder
  // cannot be written to, on any other answer, or for a null step or UI.
  bool handleFileOperationWithCheckingFileOccupied(CZorbExtensionInstallStep* step,
                                                   const CZorbPath& path);
  // The file, respectively the folder, is in use: Retry (4, after a 5 s
  // wait) or another answer; -1 without a UI.
  int HelpUserFreeFile(const CString& path, bool plain);
  int HelpUserFreeFolder(const CString& path);
  // Deletes a folder tree as a step of the open transaction, retrying while
  // it is busy; 0, or 1 on failure.
  int DeleteDirectoryHelper(const CString& path);
  // Creates every missing folder of path, outermost first, as steps of the
  // open transaction.
  bool EnsureFolderExists(const CString& path);

  // ---------------------------------------------------------------------
  // File and folder helpers (CZorbPlexarHelpers.cpp)
  // ---------------------------------------------------------------------

  // Whether the product whose folder holds path lets it be deleted; true
  // when no product claims it.
  bool CanDeleteFile(const CString& path);
  // Results of findExistYxpOrKxpPackage.
  enum : int { kNoPackage = 0, kFoundYxp = 1, kFoundKxp = 2, kFoundBoth = 3 };
  // Looks for the package kept beside a description: path (the
  // description's) becomes the one package found; both or none leave it
  // ending in "kxp".
  int findExistYxpOrKxpPackage(CZorbPath& path);
  // Removes a folder tree, deepest items first, as steps of the open
  // transaction.
  void RemoveNoEmptyDirectory(CZorbPath folder);
  // Deletes, as steps of the open transaction, the files of the tree whose
  // extension is listed (every file with an empty list) and whose name is
  // not kept, and the folders emptied so. True when the folder is empty
  // afterwards; false as soon as a file stays or a deletion fails.
  bool DeleteFolderContents(const CString& folder, const CZorbTypedList<CZorbString>& extensions,
                            const CZorbTypedList<CZorbString>& keep);
  // Deletes the files unpacked from a legacy package (names relative to
  // folder) and the folders they leave empty, folder included.
  void DeleteUnpackedKXPFiles(const CString& folder, CZorbTypedVector<CString>& names);
  // The files of folder (not of its sub-folders) with the extension.
  void scanFilesFromByExtensionName(const CString& folder, CZorbTypedVector<CString>& out,
                                    const CString& extension);
  // A package's placeholder for an empty folder becomes the folder again.
  void RecoverEmptyDirectory(const CZorbExtensionFile* entry, const CString& path);

  // Ends the waits of the helpers and of the running-host loops at their
  // next check, as if the person had cancelled: the program is shutting
  // down. Any thread may call it.
  void CancelWaits() { m_waitsCancelled = true; }
  bool WaitsCancelled() const { return m_waitsCancelled; }

  // ---------------------------------------------------------------------
  // Running hosts, quitting, relaunch and notifications
  // (CZorbPlexarRunning.cpp)
  // ---------------------------------------------------------------------

  enum NotificationOperation : int { kNotifyEnable = 0, kNotifyDisable = 1, kNotifyUpdate = 2 };
  // Who is waiting for the response to the current operation.
  enum : int { kSourceBySpecifier = 0, kSourceByProductName = 1, kNoPendingResponse = 2 };
  // Answers of the running-host questions that ask for a relaunch.
  enum : int { kAnswerRetryAndRelaunch = 104, kAnswerQuitAndRelaunch = 201 };

  // No response pending: source "UnKnown", code "0", no last error.
  void CleanSourcePDBEntry();
  // "Enable", "Disable" or "Update"; any other value leaves out unchanged.
  void getNotificationOperationLabelByType(NotificationOperation op, CString& out);
  // Notification Operation="<label>" Name="<name>" Type="<type>".
  void populateNotificationByExtensionAndProduct(const CZorbExtension* extension,
                                                 NotificationOperation op, CString& out);
  // The target answers a ping.
  bool IsProductRunning(const CString& specifier);
  // An application is registered under exactly this specifier.
  bool IsExsitedPDBEntry(const CString& specifier);
  // The specifier of the installed product of that name (exact); empty.
  void caculatePDBEntryNameByProductName(const CString& name, CString& out);
  // The name of the running, installed product that holds the file; out is
  // unchanged when there is none.
  void getOwnFileAndRunningProduct(const char16_t* file, CString& out);
  // Whether a message can reach the host now; the person is told why not
  // where it matters.
  bool checkWhetherProductHasPDBEntryAndRunning(CString& specifier);
  bool checkWhetherProductHasPDBEntryAndRunning(const CZorbProduct* product, CString& specifier);
  // Sends one message (UTF-8) without waiting; a failure is shown.
  void sendRealMessageToProduct(const CString& specifier, const CString& body);
  // Sends the pending response, then forgets it.
  void sendRealMessageToProduct(const CString& specifier);
  void SendAKMessageToProduct(const CZorbProduct* product, const CString& text);
  void SendAKMessageToProduct();
  // Before a host's files change: 0 when it does not run or was closed, 1
  // when the person cancelled (or nobody can close it). relaunch is set
  // when the host is to be started again afterwards.
  int HelpShutDownPointProduct(const CZorbProduct* product, bool& relaunch, int seconds);
  int ConfirmQuitForRunningPorduct(const CZorbProduct* product, bool& relaunch, int seconds);
  int ConfirmRetryForRunningPorduct(const CZorbProduct* product, bool& relaunch);
  // Starts the host again: at most ten attempts a second apart.
  void launchPointProduct(const CZorbProduct* product);

  // The pending response to a host that asked for the operation.
  int m_notificationState = kNoPendingResponse;
  CString m_notificationSource = u"UnKnown";
  CString m_responseCode = u"0";
  // The last message text the person was shown.
  CString m_lastError;

  // ---------------------------------------------------------------------
  // Extension stores, path files and plug-in files (CZorbPlexarStores.cpp)
  // ---------------------------------------------------------------------

  // The product's store folder, ending in ":"; the program's own when the
  // product has none.
  void getPXStoreFromProductOrPlexo(const CZorbProduct* product, CString& out);
  void getPXStoreFromProductOrPlexo(const CZorbProduct* product, CZorbPath& out);
  // The path with the package type's extension; false (logged) for an
  // unknown type.
  bool getPkgFileNameByPkgType(CZorbPath& path, int type);
  // Builds the path file of the extension's files for the product, and
  // writes it to pathFile when write is set. 0, -1 without an extension,
  // or the first failure of a file's resolution.
  int CreateExtensionPathFile(const CZorbProduct* product, const CZorbExtension* extension,
                              const CString& pathFile, CZorbExtensionPaths* pluginPaths,
                              bool write);
  // Writes the path file when the product shows installed files and the
  // extension lets it; false when it had to be written and was not.
  bool checkAndGenerateKXIPathFile(const CZorbProduct* product, const CZorbExtension* extension,
                                   const CZorbPath& pathFile, CZorbExtensionPaths* pluginPaths);
  // Records a multilingual extension's resource file; -1 when its source
  // cannot be localised.
  int InsertResourceFileIntoExtensionPathFile(const CZorbExtensionFile* file,
                                              const CString& descriptionName,
                                              CZorbExtensionPaths* paths);
  // Brings the host's plug-in configuration file in line with the
  // extension's plug-ins; false when it could not be updated.
  bool updatePluginFile(const CZorbExtension* extension, const CZorbProduct* product,
                        const CZorbExtensionPaths& paths, bool enable);
  // Copies an extension found in the product's folders into the store.
  void copyFromProductHelper(const CZorbProduct* product, CZorbExtension* extension);

  // Loads the installed extensions of every product. Always 0.
  int Load();
  // Fills the store from the extensions found in every product's
  // configuration folders. Always 0.
  int CreatePXStore();

  // The program itself as a product (not owned): its store is the store of
  // products without one of their own.
  std::unique_ptr<CZorbProduct> m_ownedProduct;
  CZorbProduct* m_ownProduct = nullptr;

  // ---------------------------------------------------------------------
  // Product configuration files (CZorbPlexarConfigFiles.cpp)
  // ---------------------------------------------------------------------

  // A registered host's "VornConfig.xml" path (in its folder's
  // "Configuration" sub-folder when there is one there); refreshes the
  // master entry. Empty when the registry knows no application path.
  void generateVornConfigPath(CString& path, const char* specifier);
  // Reads the host folder's "VornMaster.xml": the first of its values that
  // names a folder with a "VornConfig.xml" becomes the master entry.
  void ProcessMasterConfigManagedProducts(const CString& folder, const char* specifier);
  // Whether the folder holds a "VornConfig.xml"; out becomes the folder
  // without a trailing ":".
  bool processValidVornConfigFile(const CString& folder, CString& out);
  // The whole file as UTF-8 text; empty when it cannot be read.
  void readMasterConfigContent(const CString& path, CString& text);
  // Makes "VornDerive.xml" when missing and reads it into the derived
  // products.
  void ProcessVornDrivedProducts();
  void ProcessValidVornConfigPath(const CString& path);
  // A new UTF-8 file with the text; an existing file is left alone.
  void CreateFileWithConstString(const CString& path, const CString& text);
  // Whether the derived-products file at path lists the folder (ignoring
  // case and a trailing ":").
  bool isProductHasBeenInegrated(const CString& folder, const CString& path);
  bool isProductAlreadyMastered(const CString& specifier);
  // Registers a host by its folder (program form) in "VornDerive.xml".
  // 0 when it is listed (also when it was already, after telling the user);
  // -1 when the folder has no "VornConfig.xml" or the file could not take it.
  int AddIntegratedProductByPath(const CString& folder);

  // ---------------------------------------------------------------------
  // Installed-extension lists and lookups (CZorbPlexarLists.cpp)
  // ---------------------------------------------------------------------

  using ExtensionList = CZorbTypedList<CZorbExtension*>;

  // Deletes every list and the extensions in them; loading starts from here.
  void ClearLists();
  // Appends the extension to the product's list (made when missing), which
  // takes it over; a pointer the list holds already is not added again.
  void AddExtension(const CZorbProduct* product, CZorbExtension* extension);
  // Takes the extension out of the product's list and deletes it; a
  // pointer the list does not hold is left alone.
  void RemoveExtension(const CZorbProduct* product, CZorbExtension* extension);
  // Appends the product's extensions (still the engine's) to out; 0 when
  // the product has no list.
  int GetExtensions(const CZorbProduct* product, CZorbTypedList<CZorbExtension*>* out) const;

  // The first extension of the product's list that matches, or null:
  // display name, name attribute, name resource id (all ignoring case);
  // display and author name (ignoring case), enabled ones only when asked;
  // the description's file name (exact) or whole path (ignoring case); the
  // description's file name (ignoring case) and version.
  CZorbExtension* FindByName(const CZorbProduct* product, const CString& name) const;
  CZorbExtension* FindByPureName(const CZorbProduct* product, const CString& name) const;
  CZorbExtension* FindByResID(const CZorbProduct* product, const CString& resid) const;
  CZorbExtension* FindByNameAndAuthor(const CZorbProduct* product, const CString& name,
                                      const CString& author, bool enabledOnly) const;
  CZorbExtension* FindByProductAndPath(const CZorbProduct* product, const CString& path,
                                       bool wholePath) const;
  CZorbExtension* GetExtensionByName(const CZorbProduct* product, const CZorbPath& fileName,
                                     const CZorbVersionNumber& version) const;
  // Over every list: the description path, ignoring case.
  CZorbExtension* FindByPath(const char16_t* path) const;
  bool checkWhetherNeedUpdate(const CZorbExtension& candidate,
                              const CZorbExtension& installed) const;

  // Orders of the list views; 0 when either is null.
  int CompareName(const CZorbExtension* a, const CZorbExtension* b) const;
  int CompareAuthor(const CZorbExtension* a, const CZorbExtension* b) const;
  int CompareVersion(const CZorbExtension* a, const CZorbExtension* b) const;
  // Enabled ones first.
  int CompareEnabled(const CZorbExtension* a, const CZorbExtension* b) const;
  int CompareType(const CZorbExtension* a, const CZorbExtension* b) const;
  // The label of an extension-type code; false (out unchanged) for none.
  bool GetTypeLabel(int code, CString& out) const;

  // The description and ui-access texts with their markup made plain.
  void GetExtensionDetail(const CZorbExtension* extension, CString& out) const;
  // The licence texts, line ends as "<BR>".
  void BuildLegalAgreement(CString& out) const;
  void AlertExtensionNotExited(const CString& name) const;
  void DisplayRequiredProducts(const CZorbTypedVector<CString>& names) const;
  void getFirstErrorMsg(const CZorbTypedList<CZorbString>& messages, CString& out) const;
  // The low byte of each unit; out holds at least length + 1 bytes.
  static int wCharToChar(const CString& text, char* out);
  // A service-framework extension installs for every product it names but
  // the framework itself.
  void ModifyPrimaryIfWBXSExtension(CZorbExtension* extension) const;
  static bool IsServiceFrameworkExtension(const CZorbExtension& extension);

  // ---------------------------------------------------------------------
  // Install checks and the install operation (CZorbPlexarInstall*.cpp)
  // ---------------------------------------------------------------------

  // An extension's name and the base destination folder of a file entry.
  struct ExtensionFileKey {
    CString m_name;
    CString m_folder;
    bool operator<(const ExtensionFileKey& other) const;
  };
  // One folder entry copied as a whole, by its key.
  using DirectoryPairMap = std::map<ExtensionFileKey, DirectoryPair>;
  // Bits of InstallExtension's restart flags.
  enum : int { kRestartHost = 1, kRestartComputer = 2 };
  // The process exit codes of an install.
  enum : int { kExitInstalled = 0, kExitInstallFailed = 1, kExitReinstallFailed = 3 };

  // Installs the package or description at path into one product; the
  // installed extension (the product's list owns it) or null after the user
  // was told why. Every change is a step of the open transaction: a failed
  // install leaves files, configuration, store and lists as they were. See
  // CZorbPlexarInstall.cpp for what each argument does.
  virtual CZorbExtension* InstallExtension(
      CZorbProduct** products, const CString& path, CZorbExtension** replaced, bool quiet,
      const bool& newInstall, bool resolveUserFolders, int& restartFlags, bool strictProduct,
      bool replaceInstalled, bool showProgress, bool& askLicence, int timeOut,
      CZorbExtension* extension, CZorbExtension** clone,
      const CZorbExtensionProduct* primaryRequirement, CZorbExtensionProduct* chosenRequirement,
      bool* primaryAccepted, CString* chosenProductName, const CString* primaryProductName,
      bool* mayRetry);

  // Whether another installed extension uses the description file name;
  // message then holds the text to show. It may hold the product list with
  // a false result: the target itself holds the same extension.
  bool checkIfKXIHasBeenUsed(const CZorbProduct* product, const CString& descriptionFileName,
                             const CString& pureName, CString& message, int standalone);
  // Whether an extension of that name is installed in a product the
  // extension targets; message then holds the text to show.
  bool checkIfExtensionNameHasBeenUsed(const CZorbProduct* product, const CString& pureName,
                                       CString& message, const CString& name,
                                       const CZorbExtension* extension);
  // Appends the descriptions of other users' copies of the extension.
  void CheckForUserLevelConflicts(const CZorbProduct* product, const CZorbExtension* extension,
                                  CZorbTypedVector<CString>& paths);
  // Removes them within the open transaction (the install's); false, with
  // message set, when one cannot be removed.
  bool RemoveUserLevelConflicts(CZorbProduct* product, const CZorbTypedVector<CString>& paths,
                                int timeOut, CString& message);
  // Makes sure the source of a folder entry exists as a folder in the
  // unpacked package; false after a message.
  bool handleEmptyFolderForKXI(CZorbProduct** products, const CZorbExtension* extension,
                               const CZorbExtensionFile* file, const CString& applicationFolder,
                               bool bundle);
  // The question about an existing destination; false when none is asked.
  bool BuildMessageForHandleDestinationFolderOrFileExist(CString& message,
                                                         const CString& destination, bool isFolder,
                                                         const CString& bundleId,
                                                         const CString& bundleVersion);
  // Asks about an existing destination and makes it writable; false when
  // the install must stop. A "skip" answer clears the pair's overwrite flag.
  bool handleDestinationFolderOrFileExist(bool& yesToAll, DirectoryPair& pair, int mode,
                                          const CString& bundleId, const CString& bundleVersion);

  // The folder and file name of the package being installed.
  CString m_packageFolder;
  CString m_packageFileName;
  // Where the licence text is written for the UI ("licenseFile.txt");
  // nothing is written while it is empty.
  CString m_dataFolder;

 protected:
  // Messages of the install.
  enum : unsigned int {
    kMsgLicenceHeading = 4016,
    kMsgSameStoreFile = 4017,
    kMsgDisableOther = 4018,
    kMsgInstalledNewer = 4019,
    kMsgInstalledOlder = 4020,
    kMsgInstalledSame = 4021,
    kMsgExistingFileNewer = 4022,
    kMsgSourceFileMissing = 4024,
    kMsgRestartHost = 4026,
    kMsgDescriptionNotCopied = 4028,
    kMsgPackageMissing = 4030,
    kMsgDescriptionUnreadable = 4031,
    kMsgNoName = 4032,
    kMsgNoLeadingToken = 4038,
    kMsgExistingFileOlder = 4040,
    kMsgFileNotDeleted = 4046,
    kMsgExistingFileSame = 4062,
    kMsgRestartComputer = 4072,
    kMsgNoBundleFolder = 4077,
    kMsgLicenceFileUnwritable = 4078,
    kMsgNoFolderChosen = 4099,
    kMsgChooseFolder = 4106,
    kMsgInstalling = 4115,
    kMsgFolderNotWritable = 4139,
    kMsgUserCopiesConflict = 4150,
    kMsgReinstalling = 4179,
    kMsgReplaceEnabled = 4181,
    kMsgEngineTooOld = 4184,
    kMsgDescriptionFileUsed = 4186,
    kMsgNameUsed = 4187,
    kMsgExistingFolder = 4188,
    kMsgSourceFolderMissing = 4190,
    kMsgExistingFile = 4191,
    kMsgPluginFileNotUpdated = 4201,
    kMsgStandaloneNotDescribed = 4220,
    kMsgBundleUnreadable = 4224,
    kMsgBundleInstalled = 4228,
    kMsgOldBundle = 4232,
    kMsgSameDestination = 4237,
    kMsgFileNotRestored = 4239,
  };

 private:
  struct InstallRun;
  bool EngineTooOld(const CZorbExtension& extension) const;
  bool InstallEntry(InstallRun& run);
  bool InstallPrimaryAgreement(InstallRun& run);
  bool InstallPackagePresent(InstallRun& run);
  bool InstallUnpack(InstallRun& run);
  bool InstallDescription(InstallRun& run);
  bool InstallEngineVersion(InstallRun& run);
  bool InstallTargetProduct(InstallRun& run);
  bool InstallNameChecks(InstallRun& run);
  bool InstallLicence(InstallRun& run);
  bool InstallOlderCopy(InstallRun& run);
  bool InstallUserConflicts(InstallRun& run);
  bool InstallTokenFolders(InstallRun& run);
  bool InstallFiles(InstallRun& run);
  bool InstallFileDestinations(InstallRun& run);
  bool InstallFileSteps(InstallRun& run);
  bool InstallBundleFolders(InstallRun& run);
  bool InstallBundleEntry(InstallRun& run, CZorbExtensionFile& file);
  bool InstallBundles(InstallRun& run);
  bool InstallConfigChanges(InstallRun& run);
  bool InstallDescriptionCopies(InstallRun& run);
  void InstallCleanUp(InstallRun& run, bool installed);
  bool LoadDescription(InstallRun& run);
  bool FileApplies(const InstallRun& run, const CZorbExtensionFile& file) const;
  bool RunStepWithRetry(CZorbExtensionInstallStep* step, const CString& path, bool folder);

 public:
  // ---------------------------------------------------------------------
  // Uninstall, enable and disable (CZorbPlexarRemove*.cpp)
  // ---------------------------------------------------------------------

  // Takes an installed extension out of the product: removes it
  // (remove), or disables it and keeps its store copies. Only what the
  // install wrote is deleted (its record in the store), and only folders
  // it made, once empty. Every change is a step of the open transaction;
  // with ownTransaction the operation commits or rolls back what it
  // opened. 0, or -1 after a message to the user.
  int UninstallExtension(const CZorbProduct* product, CZorbExtension* extension, bool refreshHost,
                         bool quiet, bool ownTransaction, bool remove, bool deleteStoreCopies,
                         int& restartNeeded, bool showProgress, int mode, bool notifyHost,
                         bool unused);
  // Whether another enabled extension of the product installs a file at
  // path (ignoring case). The destinations of the other extensions are
  // resolved once per operation.
  bool IsFileReferenced(const CZorbProduct* product, const CString& path,
                        const CZorbExtension* extension);
  // Another installed extension (enabled or not, in any product; not a
  // copy of extension) whose entries place the bundle id; its product in
  // product. Null when none does.
  const CZorbExtension* FindBundleUser(const CZorbExtension* extension, const CString& id,
                                       const CZorbProduct*& product) const;
  // Writes the enable-for-all form of the description into a fresh
  // temporary folder, dated as the store copy. 0 or -1.
  int createKXIForEnableALLForUninstall(const CZorbProduct* product,
                                        const CZorbExtension* extension, CString& folder);

  // Installs the kept package again. 0, or -1 after a message.
  int EnableExtension(const CZorbProduct* product, CZorbExtension* extension, int mode);
  // Uninstalls without deleting the store copies, after asking when an
  // installed file changed or the kept package is missing. flag has no
  // effect. 0 or -1.
  int DisableExtension(const CZorbProduct* product, CZorbExtension* extension, bool flag, int mode,
                       bool notifyHost);
  // Whether the description, or a file it installs in the product, was
  // modified after date; newer receives that path.
  bool ExtensionHasFilesNewerThan(const CZorbProduct* product, const CString& description,
                                  const CZorbDateTime& date, CString& newer);
  // The plug-in file's entries of the extension's plug-ins, at start-up.
  bool UpdatePluginConfigInLoadProcess(const CZorbProduct* product, CZorbExtension* extension,
                                       const CString& pathFile, bool add);
  // Start-up: brings the product's copy of a current-user extension in line
  // with the store, and writes the product's enable-all file.
  void ProcessEnableAllExtensionForPXStart(const CZorbProduct* product, CZorbExtension* extension);
  void ProcessEnableAllExtensionsForPXStart(const CZorbProduct* product, ExtensionList* list);
  // Enables what the product's "Disabled Extensions" folder lists, and
  // disables every enabled extension into it. 0 or -1.
  int ReEnableExtensions(const CZorbProduct* product);
  int DisableAllExtensions(const CZorbProduct* product);

  // What an install wrote into one product: the files it placed and the
  // folders it made (colon paths). The install records it in the store
  // beside the description copy; the removal deletes only what it lists.
  struct InstalledItems {
    CZorbTypedVector<CString> m_files;
    CZorbTypedVector<CString> m_folders;
    // How each file the install wrote looked when it was left (size and
    // time), so that a later run can tell an untouched file from an edited
    // one whatever the clocks and the archive's time steps say. Records
    // written before these were kept have none.
    struct Stamped {
      CString m_path;
      CZorbOS::FileStamp m_stamp;
    };
    std::vector<Stamped> m_stamps;
    // Folders the person chose for the extension's tokens: trusted again for
    // its later removal, disable and enable.
    CZorbTypedVector<CString> m_chosenFolders;
    // Host files the install replaced: the path and the name of the copy
    // (bytes and mode) kept in the extension's replaced folder of the store.
    struct Replaced {
      CString m_path;
      CString m_saved;
    };
    std::vector<Replaced> m_replaced;
    // The stamp kept for a path (compared without regard to case), or null.
    const CZorbOS::FileStamp* StampOf(const CString& path) const;
  };
  // Stamps every file of the record, and the extra files named, as they
  // stand now.
  static void StampInstalledFiles(InstalledItems& items, const std::vector<CString>& extra);
  // Whether a file the record knows was changed since it was stamped: true
  // when it was, false when not, and nothing when the record has no stamp.
  enum class FileChange { kUnchanged, kChanged, kUnknown };
  // Zip entries keep times in two-second steps, rounded up: a file unpacked
  // from a package may look up to that many seconds newer than the package.
  static constexpr int64_t kArchiveTimeStep = 2;
  static FileChange ChangeSinceInstall(const InstalledItems& items, const CString& path);
  // store + description name + "." + the product's name + ".kxi_written".
  static CString InstallRecordPath(const CString& store, const CString& descriptionName,
                                   const CString& productName);
  CString InstallRecordPath(const CZorbProduct* product, const CZorbExtension* extension);
  // The folder beside the record that keeps the host files the install
  // replaced: the record's path with "kxi_replaced" for "kxi_written".
  CString ReplacedFilesFolder(const CZorbProduct* product, const CZorbExtension* extension);
  // False when there is no record or it cannot be read.
  static bool ReadInstallRecord(const CString& path, InstalledItems& items);
  // Writes the record as a step of the open transaction (an earlier one
  // comes back on undo). 0 or -1.
  int WriteInstallRecord(const CString& path, const InstalledItems& items);

 private:
  // The record of an earlier install of the run's extension in its
  // product, read once (empty when there is none).
  const InstalledItems& EarlierRecord(InstallRun& run);
  // Keeps a host file the install is about to replace (bytes and mode) in
  // the replaced folder, and notes it in the run's record; the second form
  // every file of target that the copy of the source folder will replace.
  bool KeepReplacedHostFile(InstallRun& run, const CString& destination);
  bool KeepReplacedHostFiles(InstallRun& run, const CString& source, const CString& target);

 protected:
  enum : unsigned int {
    kMsgRemoveRestart = 4034,
    kMsgNoServiceFolder = 4077,
    kMsgEnableRestartComputer = 4101,
    kMsgEnableRestartHost = 4102,
    kMsgDisableRestartHost = 4103,
    kMsgEnableFailed = 4112,
    kMsgRemoving = 4117,
    kMsgFolderReadOnly = 4139,
    kMsgNotDisabled = 4145,
    kMsgNotRemoved = 4147,
    kMsgFilesChanged = 4173,
    kMsgEnabledElsewhere = 4174,
    kMsgDisabling = 4180,
    kMsgRemovePluginFile = 4201,
    kMsgLockedNoRemove = 4202,
    kMsgLockedNoDisable = 4203,
  };

 private:
  // Destinations of the other enabled extensions of one product, folded to
  // lower case; built on the first question of an operation.
  struct ReferenceCache {
    const CZorbProduct* product = nullptr;
    const CZorbExtension* extension = nullptr;
    bool built = false;
    std::unordered_set<std::u16string> paths;
  };
  ReferenceCache m_referenceCache;
  struct UninstallRun;
  int UninstallFiles(UninstallRun& run);
  int UninstallStoreCopies(UninstallRun& run);
  bool CleanUpAfterDeletion(UninstallRun& run, const CString& folder);
  // Without an install record: the kept package's copy of an entry's
  // source (the package unpacked once per run); false when there is none.
  bool PackageCopyOf(UninstallRun& run, const CString& source, CString& copy);
  // Deletes the files below full that equal the package's copies in the
  // packaged folder, then the folders of the packaged tree left empty,
  // deepest first. 0 or -1.
  int UninstallUnrecordedTree(UninstallRun& run, const CString& packaged, const CString& full);
  static bool SameFileBytes(const CString& a, const CString& b);
  // Puts back the host's file the install replaced at path, from its kept
  // copy, with its mode; true when there is none to put back.
  bool RestoreReplacedHostFile(UninstallRun& run, const CString& path);
  bool BackUpPluginFile(const CZorbProduct* product);
  // Adds the bundle folder, and the bundle folders above it, that this
  // install made to the install record of user in product, so that the
  // last removal takes them. 0 or -1.
  int HandOverBundle(const UninstallRun& run, const CString& bundle, const CZorbProduct* product,
                     const CZorbExtension* user);

 public:
  // ---------------------------------------------------------------------
  // Packaging and migration (CZorbPlexarPackage*.cpp)
  // ---------------------------------------------------------------------

  // Builds a package of type 1 (YXP) or 2 (KXP) at package from the
  // description and the files it lists, and tells the person the outcome
  // (failures unless quiet). The description is backed up, and given back
  // byte for byte, before it is saved in place for packing; empty folders
  // replaced by placeholders in a KXP package are folders again afterwards.
  // An existing package is replaced only once the new one is complete.
  // 0, or non-zero after a failure; sets g_exitCode to 0 or 5.
  int CreatePackage(const CString& description, const CString& package, CZorbProduct* product,
                    int packageType, bool skipChecks, bool showProgress, bool severalPrimaries,
                    bool quiet);

  // Migrates the packages in the preferred folder of every product marked
  // for it (m_importCount of them), each package on its own.
  void migrateExtensionsFromProductsPreferredFolders();
  // One product's packages; true when one was migrated.
  bool migrateExtensionsFromProductPreferredFolder(CZorbProduct* product);
  // One package: unpacked and recorded, its files rolled back together on
  // failure. True on success or when the store holds this package already.
  bool migrateExtensionFromExtensionFile(const CString& package, const CString& store,
                                         const CString& hostExtensionsFolder,
                                         CZorbProduct* product);
  // Records one unpacked extension in the store and the host's extensions
  // folder, and moves its package to the preferred folder's "REMOVED".
  bool migrateFiles(const CString& store, const CZorbPath& unpackFolder,
                    const CZorbPath& description, const CZorbPath& package,
                    const CZorbPath& hostExtensionsFolder, CZorbProduct* product, int packageType);

  // Progress of a migration: products done, extensions migrated.
  int m_migratedProducts = 0;
  int m_migratedExtensions = 0;

  // ---------------------------------------------------------------------
  // Tokens and path localisation (CZorbPlexarTokens.cpp)
  // ---------------------------------------------------------------------

  // The start-up tokens "applicationsupport" and "corvidplug-ins".
  void processApplicationSupport();
  void processMediaServiceCoreTokenValue();
  // Expands the "$" tokens of the dollar-token map in the text in place.
  void processTokenString(CString& text);
  // Resolves a description's destination for the product: a folder ending
  // in ":" without a leading token, else the resolved folder followed by
  // the source's file name. -6 for a token that cannot be resolved or more
  // than ten tokens. A destination that does not end below a folder of the
  // system tokens, of a product's tokens (the store among them) or chosen
  // by a person, or a package's token definition that names a folder
  // itself or climbs, is refused: the user is told and the result is -1.
  int LocalizeDestination(CZorbPath& destination, const CZorbProduct* product,
                          const CZorbPath& source, const CZorbPath& folder,
                          const CZorbExtension* extension, const CString& first,
                          const CString& second);
  // LocalizeSource, then LocalizeDestination; -1 when the source is refused.
  int LocalizeFiles(CZorbPath& source, CZorbPath& destination, const CZorbProduct* product,
                    const CZorbPath& folder, const CZorbExtension* extension, const CString& first,
                    const CString& second);
  // A folder a person chose (in a dialog or on the command line) into
  // which destinations may lead.
  void AddChosenFolder(const CString& folder);
  // Forgets them; an operation starts with the folders its person chose.
  void ClearChosenFolders();
  // While it lives, the folders a person chose when the extension was
  // installed in the product (kept with its install record) are trusted
  // for destinations of that extension only.
  class RecordedFolders {
   public:
    RecordedFolders(CZorbPlexar& engine, const CZorbProduct* product,
                    const CZorbExtension* extension);
    ~RecordedFolders();
    RecordedFolders(const RecordedFolders&) = delete;
    RecordedFolders& operator=(const RecordedFolders&) = delete;
    const CZorbTypedVector<CString>& Folders() const { return m_folders; }

   private:
    CZorbPlexar& m_engine;
    std::u16string m_key;
    CZorbTypedVector<CString> m_folders;
    bool m_added = false;
  };
  // Destinations of a file inside a copied folder: root and file are POSIX
  // paths, file below root.
  static void getFullFolderPath(const CString& file, const CString& root,
                                const CString& destinationA, const CString& destinationB,
                                CString& outA, CString& outB);
  static void getPluginPath(const CString& file, const CString& root, const CString& destinationA,
                            const CString& destinationB, CZorbPath& out);
  // Cuts from the end of path the sub-folder that fullPath names below
  // prefix.
  static void handleOrignalDestination(const CString& fullPath, const CString& prefix,
                                       CString& path);
  // The locale whose files of a multilingual extension are copied; with
  // mayAsk the UI may be asked. Empty when none can be decided.
  void GetCopyFilePreferredLocale(const CZorbProduct* product, const CZorbExtension* extension,
                                  CString& locale, bool mayAsk);

  // The folder the package being installed was unpacked into; every source
  // path of its description lies below it.
  CString m_sourceRoot;
  // The file name of the description of the package being unpacked, and
  // the folder that holds it (ending in ":").
  CString m_kxiFileName;
  CString m_workingFolder;

 protected:
  // Message ids of the string tables.
  enum : unsigned int {
    kMsgFolderNotCreated = 4027,
    kMsgNotInstalled = 4043,
    kMsgPackageUnreadable = 4048,
    kMsgNotEnabled = 4146,
    kMsgPackageDamaged = 4183,
    kMsgNotAPackage = 4216,
    kMsgBundleNotUnpacked = 4222,
    kMsgNeitherExtensionNorBundle = 4223,
    kMsgCheckThePackage = 4225,
    kMsgBundleNotYxp = 4226,
    kMsgSignaturesRefused = 4235,
  };

  // The localised text of a message id, formatted with one text when given.
  static CString Message(unsigned int id);
  static CString Message(unsigned int id, const CString& argument);
  // Shows a failure through the UI (when there is one); its answer.
  int ShowError(const CString& text) const;

  // Messages about running hosts.
  enum : unsigned int {
    kMsgNoSuchProduct = 4198,
    kMsgNotSent = 4205,
    kMsgHostNotAnswering = 4208,
    kMsgNoProductToNotify = 4209,
    kMsgNoMessagingInstance = 4210,
    kMsgHostRunning = 4213,
    kMsgQuitHost = 4214,
    kMsgCloseHost = 4215,
    kMsgBuildingStore = 4172,
  };
  // The busy-file helper over the open transaction.
  CZorbBusyFileHelper BusyHelper();
  // Message 4213, a blank and the given one, with the host's name twice.
  CString RunningHostQuestion(const CZorbProduct& product, unsigned int second) const;

  CZorbPlexarUI* m_pUI;

  // The open install transaction (CZorbPlexarSteps.cpp).
  CZorbInstallTransaction m_transaction;
  std::atomic<bool> m_waitsCancelled{false};
  // ---------------------------------------------------------------------
  // Product registry, tokens and configuration files
  // ---------------------------------------------------------------------
 public:
  using TextMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  // The host products, in creation order (owned); searches run from the
  // last back to the first.
  CZorbTypedVector<CZorbProduct*> m_products;
  // Products marked for import from their preferred folders.
  int m_importCount = 0;

  // Token name without "$" to its folder ending in ":".
  TextMap m_systemTokens;
  // At most one entry: specifier to the configuration folder its
  // "VornMaster.xml" names; rebuilt for each product.
  TextMap m_masterEntry;
  // Specifier of a built-in host line to its configuration folder.
  TextMap m_masteredHosts;
  // Key of "VornDerive.xml" to configuration folder.
  TextMap m_derivedProducts;
  // "$" + token name to folder without a trailing ":".
  TextMap m_dollarTokens;
  // The service framework's extensions folder; empty when the common
  // folder is unknown.
  CString m_serviceFrameworkFolder;
  // Folders a person chose; destinations may lead below them.
  CZorbTypedVector<CString> m_chosenFolders;
  // Folders chosen when an extension was installed, by its description's
  // name folded to lower case, while an operation on it runs.
  std::map<std::u16string, CZorbTypedVector<CString>> m_recordedFolders;
  // Extension-type code to its label.
  CZorbTypedMap<int, CString, CZorbMapIntLessThan> m_typeLabels;
  // Installed extensions per product; owns the lists and the extensions.
  CZorbTypedMap<const CZorbProduct*, ExtensionList*, CZorbMapProductCompare> m_extensionLists;

 protected:
  enum : unsigned int {
    kMsgUnknownToken = 4047,
    kMsgProductAlreadyImported = 4195,
    kMsgExtensionNotInstalled = 4197,
    kMsgConfigurationFileProtected = 4231,
    kMsgLegalFirst = 5000,
    kMsgLegalLast = 5028,
  };

  // Token expansions a text or destination may take.
  static constexpr int kMaxTokens = 10;
  // The folder of "VornDerive.xml"; false when the user has no
  // application-data folder.
  bool derivedProductsFolder(CString& folder);
  ExtensionList* ListOf(const CZorbProduct* product) const;
  // Start-up: the multi-user facts and the system and dollar tokens, and
  // the type labels.
  void InitTokens();
  void BuildTypeLabels();
  void AddStartupToken(const CString& name, const CString& folder);
  bool IsConfined(const CString& destination, const CZorbTypedVector<CString>& roots,
                  const CZorbExtension* extension) const;
  // Chosen in this run, or recorded for the extension (may be null).
  bool IsChosenFolder(const CString& folder, const CZorbExtension* extension) const;
  static std::u16string RecordedFoldersKey(const CZorbExtension* extension);
  // Tells the user a path was refused (4047 and 4043).
  void RefuseDestination(const CString& destination) const;
  // What the token resolution asks of products (CZorbPlexarProducts.cpp):
  // a token of the product's own map (its values join roots); the same
  // from the installed products, last first, giving the product that had
  // it; the product's adjustment of a resolved destination; its locale
  // and name.
  bool ProductToken(const CZorbProduct* product, const CString& name, const CString& destination,
                    const CZorbPath& folder, const CZorbExtension* extension, CString& value,
                    CZorbTypedVector<CString>& roots);
  const CZorbProduct* InstalledProductToken(const CString& name, const CString& destination,
                                            const CZorbPath& folder,
                                            const CZorbExtension* extension, CString& value,
                                            CZorbTypedVector<CString>& roots);
  void MassageProductDestination(const CZorbProduct* product, CZorbPath& destination);
  void ProductLocaleAndName(const CZorbProduct* product, CString& locale, CString& name);
  CZorbProduct* MakeCommonProduct(const CString& specifier, const CString& folder);
  // Appends a product that was made; null is passed over.
  void AppendProduct(CZorbProduct* product);
  // Start-up steps: the hosts the messaging registry knows, and the
  // built-in lines.
  void RegisterMessagingHosts();
  void MakeBuiltInHosts();
  CZorbExtension* FindFirst(const CZorbProduct* product,
                            const std::function<bool(const CZorbExtension&)>& test) const;
};
