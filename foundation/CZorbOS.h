#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbVersionNumber.h"
#include "pkg/PkgTypes.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/FileRef.h"
#include "platform/os/Notification.h"

class CZorbDateTime;
class CZorbString;

// Owner, group and POSIX mode bits of an item.
struct PermissionInfo {
  uint32_t owner = 0;
  uint32_t group = 0;
  uint16_t mode = 0;
};

// The operating-system services: static operations only. The class is
// spread over several areas; each area keeps its members in its own section
// below and its code in its own source file (CZorbOS.cpp for the system
// facts, CZorbOSFiles.cpp and so on for the others).
class CZorbOS {
 public:
  CZorbOS() = delete;

  // ---------------------------------------------------------------------
  // System facts and current user (CZorbOS.cpp)
  // ---------------------------------------------------------------------
  enum UserType { kStandardUser = 0, kAdministrator = 1, kRootUser = 2 };

  // The system version, one digit per 4 bits (0x1070 stands for 10.7), and
  // whether it is 10.0 or later.
  static uint32_t fOSVersion;
  static bool fIsOSX;
  // Set by InitMultiUserMembers on a system of 10.0 or later.
  static bool m_IsSupportedMultiUserSystem;
  static CString m_appDataFolderName;     // "Library:Application Support"
  static CString m_appLibraryFolderName;  // "Library"

  // Sets the values above once; later calls do nothing.
  static void InitMultiUserMembers();
  static bool IsSupportedMultiUserSystem();
  // Root (effective user id 0), administrator (a member of one of the admin
  // groups) or standard user. False, with type 0, before
  // InitMultiUserMembers, on a single-user system, or when the user cannot
  // be read.
  static bool GetCurrentUserType(UserType& type);
  // Milliseconds of the program's monotonic clock, in 32 bits (wrapping).
  static uint32_t GetTickCount();
  static void AllowBackgroundProcessing();
  static bool FileIsOpenWithExclusive(const char16_t* path);
  // The program's UI locale, e.g. "en_US"; empty until set.
  static void getLocale(CString& out);
  static void setLocale(const CString& locale);
  // Decodes UTF-8 text into out; a malformed byte becomes U+FFFD.
  static void ansiCharToCString(const char* text, CString& out);

  // ---------------------------------------------------------------------
  // Processes, applications, Apple events, user attention and the locale
  // list (CZorbOSProcesses.cpp, CZorbOSApplications.cpp,
  // CZorbOSLocaleList.cpp)
  // ---------------------------------------------------------------------

  // The locales the movie supports, in its order ("en_US", ...).
  static std::vector<std::string> m_LocaleListString;
  // Appends the items of a comma-separated list (each trimmed; empty
  // items skipped). The list is never cleared.
  static void setLocaleList(const std::string& list);
  // Whether the code is in the list (exact, case counts).
  static bool isValidLang(const std::string& code);
  // The supported locale the user prefers most; "en_US" when there is none.
  static std::string GetUserPreferredLanguageCode();

  // Processes are numbered by their process id (see
  // platform::ProcessSerialNumber). noErr, or fnfErr when no running
  // process was started from app (its bundle, or its executable when it
  // has no bundle).
  static int32_t FindProcess(const platform::FSRef& app, platform::ProcessSerialNumber& psn);
  // The first running application with this signature; app receives its
  // bundle. noErr or fnfErr.
  static int32_t FindProcess(uint32_t creator, platform::FSRef& app,
                             platform::ProcessSerialNumber& psn);
  // Starts the application (a bundle, or an executable file) unless it
  // runs already; psn names the process either way.
  static int32_t LaunchApp(const platform::FSRef& app, platform::ProcessSerialNumber& psn,
                           platform::AppParameters* params);
  // There is no front to bring a process to: these log and answer whether
  // the process exists (procNotFound, or FindProcess's status).
  static int32_t BringProcessToFront(const platform::ProcessSerialNumber& psn);
  static int32_t BringProcessToFront(uint32_t creator);
  // The colon path of the program's own bundle (at most 2047 units and the
  // terminator); false when the program does not run from one.
  static bool GetCurrentProcessPath(char16_t* buf);

  // Puts the text, as UTF-8 with a terminating 0 byte, into the event as
  // a 'TEXT' parameter. A text that is not well-formed UTF-16 is refused
  // with the converter's status and nothing is put.
  static int32_t PutStringParameter(platform::AppleEvent& event, uint32_t keyword,
                                    const char16_t* text);
  // Sends an event with one text parameter, without waiting for a reply.
  // A text that cannot be put is not sent: its status is the result.
  static int32_t SendSimpleEvent(const platform::ProcessSerialNumber& psn, uint32_t eventClass,
                                 uint32_t eventId, uint32_t keyword, const char16_t* text);
  // Sends an open-documents event naming the file, with the text under
  // keyword, and waits for the reply up to 500 ticks.
  static int32_t SendCommandLine(const platform::FSRef& file,
                                 const platform::ProcessSerialNumber& psn, uint32_t keyword,
                                 const char16_t* text);
  // How long SendCommandLine waits, in milliseconds (500 ticks).
  static constexpr uint32_t kSendCommandLineTimeoutMs = 500 * 1000 / 60;

  // Asks for the user's attention when the program's window does not have
  // the focus. There is no notification service: the request is recorded
  // in nmr and logged.
  static void callUserAttentionIfInBackground();
  static void nmComplete(platform::NMRec* request);
  static bool isPlexoWindowActivate();
  // The shell tells whether its main window has the user focus.
  static void SetMainWindowFocusProbe(bool (*probe)());
  static platform::NMRec nmr;

  // Whether the item is a bundle folder; bundle receives what its
  // Info.plist says.
  static bool IsPackage(const platform::FSRef& item, platform::BundleInfo& bundle);
  // A bundle's CFBundleVersion (else its CFBundleShortVersionString, else
  // 0.0.0), or the short version of a file's 'vers' resource 1. False
  // when neither can be read; version is then unchanged.
  static bool GetFileVersionNumber(const platform::FSRef& app, uint32_t creator,
                                   CZorbVersionNumber& version, bool flag);
  // Whether the item is an application that runs here: a bundle with a
  // runnable executable.
  static bool GetFileCarbonized(platform::FSRef& app);
  // From an executable in a bundle's Contents:MacOS up to the bundle.
  static void NormalizePackagedAppFSRef(platform::FSRef& ref);
  static bool IsAppRunning(uint32_t creator, const CZorbVersionNumber& min,
                           const CZorbVersionNumber& max, bool (*filter)(const platform::FSRef&));
  // Paths written by the finders are colon paths of at most 2047 units and
  // the terminator; path is unchanged when nothing is found.
  static bool FindApp(uint32_t creator, const CZorbVersionNumber& min,
                      const CZorbVersionNumber& max, bool (*filter)(const platform::FSRef&),
                      char16_t* path);
  static bool FindApp(uint32_t creator, const CZorbVersionNumber& min,
                      const CZorbVersionNumber& max, char16_t* path);
  static bool IsAppInstalled(uint32_t creator, const CZorbVersionNumber& min,
                             const CZorbVersionNumber& max);
  // The installed application (under the application search roots) with
  // this signature and, when given, this bundle identifier; the one
  // created last when there are several.
  static bool FindAppFromLaunchServices(uint32_t creator, platform::FSRef& app,
                                        const char16_t* bundleId);
  // The installed application that edits files of this extension or type.
  static bool FindAppFromLaunchServices(platform::FSRef& app, const char16_t* extension,
                                        uint32_t fileType);
  // The installed applications with this signature whose version is in
  // the range and that the filter accepts: the one created last (the first
  // found of equal dates). With localOnly, network volumes are left out.
  static bool FindAppFromDesktopCatalog(uint32_t creator, platform::FSRef& app,
                                        const CZorbVersionNumber& min,
                                        const CZorbVersionNumber& max,
                                        bool (*filter)(const platform::FSRef&), bool localOnly);
  static bool FindAppByBundleID(uint32_t creator, const char16_t* bundleId,
                                const CZorbVersionNumber& min, const CZorbVersionNumber& max,
                                char16_t* path);
  static bool FindAppByExtension(uint32_t creator, uint32_t fileType, const char16_t* extension,
                                 const CZorbVersionNumber& min, const CZorbVersionNumber& max,
                                 char16_t* path);
  // An installed application that views html files.
  static bool FindDefaultBrowser(platform::FSRef& app);
  // Opens the address with the desktop's opener; every ":" after the first
  // becomes "/" first.
  static int32_t BrowseTo(const char16_t* url);
  // Replaces what BrowseTo opens addresses with (tests); null restores it.
  static void SetURLOpener(int32_t (*opener)(const std::string& url));

  // Forgets the locale list and the candidates (tests only).
  static void ResetLocaleListForTest();

  // ---------------------------------------------------------------------
  // The file-type map (CZorbOSFileMap.cpp)
  // ---------------------------------------------------------------------

  // Loads "FileMap.xml" from the folder "Vesko" in the local Application
  // Support folder into the class-wide map; true when it loaded. A failed load is tried again at
  // the next question.
  static bool InitializeFileMap();
  // The extension of the first entry with this type and creator.
  static bool LookupExtension(uint32_t type, uint32_t creator, CString& ext);
  // The type and creator of the path's extension (looked up without and
  // then with its leading point).
  static bool LookupBundleBits(const char16_t* path, uint32_t& type, uint32_t& creator);
  // Forgets the loaded map (tests only).
  static void ResetFileMapForTest();

  // Forgets what InitMultiUserMembers set, so that a test can run it again
  // under other settings. Tests only.
  static void ResetMultiUserMembersForTest();

  // ---------------------------------------------------------------------
  // Files, folders and permissions (CZorbOSFiles.cpp, CZorbOSCopy.cpp)
  //
  // Paths are colon paths ("Disk:Users:ann:a.txt"; a folder may end in
  // ":"). Results are success flags unless stated; nothing throws.
  // ---------------------------------------------------------------------

  // One item of a folder listing: its full path and whether it is a folder.
  struct PATH_INFO {
    CString path;
    bool isFolder = false;
  };

  // An existing file, or a package folder (an application bundle counts as
  // a file). "file:///Disk/a/b.txt" is tested as Disk:a:b.txt.
  static bool FileExists(const char16_t* path);
  // An existing folder, packages included.
  static bool DirectoryExists(const char16_t* path);
  static bool isFolder(const char16_t* path);
  // True when the folder lists nothing, also when it cannot be listed.
  static bool IsDirectoryEmpty(const char16_t* path);
  // True when the folder holds no file and no folder other than those named
  // (ignoring case) and ".DS_Store"; sawListed tells whether a named folder
  // was there.
  static bool IsDirectoryEmptyExceptFor(const CString& folder,
                                        const CZorbTypedList<CZorbString>& names, bool& sawListed);
  // The locked flag (owner-write bit clear); false when the path does not resolve.
  static bool IsFileReadOnly(const char16_t* path);
  static bool IsFileSymbolicLink(const char16_t* path);
  // The data fork's size (low 32 bits); 0 when unresolved.
  static uint32_t GetFileSize(const char16_t* path);
  // Finder type and creator; '????' when the path does not resolve.
  static uint32_t GetFileType(const char16_t* path);
  static uint32_t GetFileCreator(const char16_t* path);

  // One trailing ":" is ignored. Without parents an existing folder is a
  // failure. Every folder made gets SetPermissions.
  [[nodiscard]] static bool CreateDirectory(const char16_t* path, bool withParents);
  [[nodiscard]] static bool EnsureDirectoryExists(const char16_t* path);
  [[nodiscard]] static bool CreateDirectoryImpl(const CString& path);
  // Deletes an empty folder (never a file).
  [[nodiscard]] static bool RemoveDirectory(const char16_t* path);
  // Deletes a file, link or empty folder. A busy item is tried 4 times 1 s
  // apart (on the program's clock), or, with force, unlinked at once.
  [[nodiscard]] static bool DeleteFile(const char16_t* path, bool force);
  // Deletes a tree item by item; what was deleted before a failure stays
  // deleted. A link to a folder, here or inside, is removed as a link.
  [[nodiscard]] static bool DeleteDirectoryWithoutRollback(const char16_t* path, bool force);
  // Deletes a tree and puts it back when that fails part-way: a complete
  // copy is made in the temporary folder first, and without one nothing is
  // deleted (false). A link to a folder is removed as a link.
  [[nodiscard]] static bool DeleteDirectory(const char16_t* path, bool force);
  static void ConstructSubFolderAndFileList(const char16_t* path, std::vector<PATH_INFO>& out);

  // Copies a file with both forks and its Finder info, replacing what is at
  // dst; the old dst stays when the copy fails. Refused (false) when src and
  // dst are one file (same path, case variant, link or hard link).
  [[nodiscard]] static bool CopyFile(const char16_t* src, const char16_t* dst);
  // Removes the old items that copies over existing files moved aside and
  // could not remove at once; the end of every install transaction calls
  // it. What still cannot be removed is logged as an error with its path and
  // not tried again. True when nothing was left.
  static bool RemoveCopyLeftovers();
  // A copy, then the source is deleted.
  [[nodiscard]] static bool MoveFile(const char16_t* src, const char16_t* dst);
  [[nodiscard]] static bool MoveFileToTrash(const char16_t* path);
  // Renames in place to the last component of newPath.
  [[nodiscard]] static bool RenameFile(const char16_t* path, const char16_t* newPath);
  // The folder src becomes dstParent:<name of src>, replacing what was there.
  [[nodiscard]] static bool CopyDirectory(const char16_t* src, const char16_t* dstParent);
  // The contents of src go into dst, which must be empty.
  [[nodiscard]] static bool CopyDirectoryToEmptyFolder(const char16_t* src, const char16_t* dst);
  // CopyDirectory, then src is deleted; src stays when the copy is incomplete.
  [[nodiscard]] static bool MoveDirectory(const char16_t* src, const char16_t* dstParent);
  // Merges src into dstParent:<name of src>, replacing files of the same
  // name. True when every item was copied.
  [[nodiscard]] static bool ForceCopyDirectory(const char16_t* src, const char16_t* dstParent);
  // Copies src into dst (as dst:<name of src> unless contentsOnly); true
  // only when every item was copied.
  [[nodiscard]] static bool copyDirectoryImpl(const char16_t* src, const char16_t* dst,
                                              bool contentsOnly);

  // Access probes. None of them changes the item it asks about.
  static bool CanReadFile(const char16_t* path);
  static bool CanUpdateFile(const char16_t* path);
  static bool CanReadFolder(const char16_t* path);
  static bool CanUpdateDirectory(const char16_t* path);
  static bool CanDeleteDirectory(const char16_t* path);
  static bool CanDeleteFile(const char16_t* path);
  // Creates and removes a probe file in the folder.
  static bool CanWriteToDirectory(const char16_t* path);

  // Writes type and creator into the Finder info; the status.
  [[nodiscard]] static int32_t SetFileTypeAndCreator(const char16_t* path, uint32_t type,
                                                     uint32_t creator);
  [[nodiscard]] static bool MakeFileWritable(const char16_t* path);
  // The content modification date, in local time.
  [[nodiscard]] static bool GetFileDateTime(const char16_t* path, CZorbDateTime& out);
  // What tells a file apart from an edited copy of it without reading it:
  // the data fork's size and its content modification time to the
  // nanosecond.
  struct FileStamp {
    uint64_t size = 0;
    int64_t seconds = 0;
    int32_t nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
  };
  [[nodiscard]] static bool GetFileStamp(const char16_t* path, FileStamp& out);
  // Unlocks the file, then sets its content modification date.
  [[nodiscard]] static bool SetFileDateTime(const char16_t* path, const CZorbDateTime& date);
  [[nodiscard]] static bool GetPermissionsImpl(const char16_t* path, PermissionInfo* info);
  [[nodiscard]] static bool SetPermissionsImpl(const char16_t* path, PermissionInfo* info);
  // For an administrator or root, the item takes the owner, group and mode
  // of its folder; for a standard user nothing changes. True then.
  [[nodiscard]] static bool SetPermissions(const char16_t* path);

  // folder:<3 letters of prefix><8 hex digits>.TMP into out (kZorbMaxPath + 1
  // units). With unique 0 the number is new to this process and names
  // nothing on disk; nothing is created. False, with out empty, when the
  // name would not fit.
  [[nodiscard]] static bool GetTempFileName(const char16_t* folder, const char16_t* prefix,
                                            uint32_t unique, char16_t* out);
  static void getTempPathForFolderOperation(const CString& prefix, CString& out);
  // A name (without folder and extension) like base that names no file in
  // folder with that extension: temp, tem2, ..., te10, ... into out
  // (kZorbMaxPath + 1 units).
  [[nodiscard]] static bool DeriveUniqueFileName(const char16_t* folder, const char16_t* base,
                                                 const char16_t* ext, int maxLen, char16_t* out);

  // Path <-> reference, through the path cache.
  [[nodiscard]] static bool GetFSRefFromFilePath(const char16_t* path, platform::FSRef& ref,
                                                 bool* foundInCache = nullptr,
                                                 bool refresh = false);
  // The folder of the path and its last component (which need not exist).
  [[nodiscard]] static bool GetFSRefFromFilePath(const char16_t* path, platform::FSRef& parent,
                                                 platform::HFSUniStr255& name);
  // The colon path of a reference (a folder without a final ":", a volume
  // as "Disk:"); empty when it lies on no volume. The buffer form gives ""
  // when the path does not fit in size - 1 units.
  static void GetFilePathFromFSRef(const platform::FSRef& ref, char16_t* buf, uint32_t size);
  static CString GetFilePathFromFSRef(const platform::FSRef& ref);

  // ---------------------------------------------------------------------
  // Special and per-user folders (CZorbOSFolders.cpp)
  //
  // Colon paths without a final ":" unless stated. A buffer gets the path
  // and its terminator; a path that does not fit counts as not found.
  // ---------------------------------------------------------------------

  // The per-user temporary folder (made, mode 0700); "" when not found.
  static void GetTempPath(char16_t* buf, uint32_t size);
  // The user's trash (made when missing); its length, 0 when not found.
  [[nodiscard]] static uint32_t GetTrashDirectory(char16_t* buf, uint32_t size);
  [[nodiscard]] static bool GetFontsFolder(char16_t* buf, uint32_t size);
  [[nodiscard]] static bool GetSystemFolder(char16_t* buf, uint32_t size);
  // The machine's Applications folder; the buffer is untouched on failure.
  [[nodiscard]] static bool GetAppPath(char16_t* buf, uint32_t size);
  // The machine-wide application-support folder, with a final ":".
  [[nodiscard]] static bool GetApplicationSupportFolder(CZorbPath& out);
  // The same folder without the final ":".
  [[nodiscard]] static bool GetCommonAppPath(CZorbPath& out);
  // The shared user folder's Library:Application Support: (multi-user only).
  [[nodiscard]] static bool GetSharedAppDataPath(CZorbPath& out);
  [[nodiscard]] static bool GetUserFoldersPath(CZorbPath& out);
  // Home with a final ":", and the current user's Library: and
  // Library:Application Support: (multi-user only). Root's folders lie
  // under Users:Root.
  [[nodiscard]] static bool GetUserHomePath(CZorbPath& out);
  [[nodiscard]] static bool GetCurrentUserLibraryPath(CZorbPath& out);
  [[nodiscard]] static bool GetCurrentUserAppDataPath(CZorbPath& out);
  [[nodiscard]] static bool GetCurrentUserRoamingDataPath(CZorbPath& out);
  [[nodiscard]] static bool GetAppDataPathFor(const CZorbString& user, CZorbPath& out);
  // Every sub-folder of the Users folder as an application-data path.
  [[nodiscard]] static bool GetAllUserAppDataPaths(CZorbTypedList<CZorbString>& list);
  static void BuildAppDataPath(const CZorbString& in, CZorbPath& out);
  static void BuildAppLibraryPath(const CZorbString& in, CZorbPath& out);
  // The user name in Disk:Users:<name>:Library:Application Support:.
  [[nodiscard]] static bool ExtractUserName(const CString& appDataPath, CString& user);

  // ---------------------------------------------------------------------
  // Colon <-> POSIX paths (CZorbOSPaths.cpp)
  // ---------------------------------------------------------------------

  // The POSIX path of a folder (made with its parents when nothing is
  // there) or of an existing file.
  [[nodiscard]] static bool convertPathWithNoLog(const CString& folder, CString& posix);
  // The same; a folder that cannot be made is logged (FATAL).
  [[nodiscard]] static bool convertPath(const CString& folder, CString& posix);
  // A POSIX path, possibly with XML entities and not yet existing parts, to
  // the colon form: the deepest existing folder, then the missing names.
  [[nodiscard]] static bool convertPath(const std::u16string& posix, CString& path, bool logErrors);

  // ---------------------------------------------------------------------
  // Folder and zip packing (CZorbOSPacking.cpp)
  //
  // A folder tree becomes a zip package and back. Entry names are the paths
  // below the folder, "/" between components; each file's modification date
  // travels as its entry's DOS date and time (properties 0 and 1). Errors
  // the package library throws (pkg::PackageException) reach the caller;
  // a pack that fails or throws leaves no zip file behind.
  // ---------------------------------------------------------------------

  // A new zip at zipPath holding every file of folder's tree and every
  // empty folder in it (files first). A folder standing at zipPath is
  // removed first when it is empty; otherwise the result is false.
  [[nodiscard]] static bool PackZipFile(const char16_t* zipPath, const char16_t* folder);
  // Writes every entry of the zip at zipPath below destination. An entry
  // that cannot be written fails the unpacking: no later entry is written
  // and the result is false. So does an entry whose name would leave
  // destination (absolute, empty, "." or ".." components, a symbolic link
  // on the way, whatever the case of the names). Names that land on one
  // another (compared ignoring case) or are beyond the limits of
  // CZorbPackageNameSet fail it before anything is written.
  [[nodiscard]] static bool unPackZipFile(const char16_t* zipPath, const char16_t* destination);

  // The files and the empty folders of the tree, in listing order (a
  // folder's contents before the folder). False when a folder could not be
  // listed completely.
  static bool getFilesAndDirectoryList(const CZorbPath& folder, CZorbTypedVector<CString>& files,
                                       CZorbTypedVector<CString>& emptyFolders);
  // package points to the open package's std::shared_ptr<pkg::IPackage>.
  static bool packageFileEntryToZipFile(void* package, const CZorbPath& file,
                                        const CZorbPath& root);
  static bool packageDirectoryEntryToZipFile(void* package, const CZorbPath& folder,
                                             const CZorbPath& root);
  // Writes one entry below openZipFileRootDirectory unless an earlier one
  // failed; a failure (a thrown package error included) sets
  // g_UnPackFailed. Always true, so the walk goes on.
  static bool GenerateDiskEntry(const pkg::SPRefType<pkg::IPkgEntry>& entry);
  static bool GenerateFileForZipFileEntry(pkg::SPRefType<pkg::IPkgFile>& file);
  static bool GenerateDirectoryForZipDirEntry(const pkg::SPRefType<pkg::IPkgDirectory>& directory);
  // DOS date and time as 4 hex digits each, low byte first ("6A3C" for
  // 2010-03-10). Dates before 1980 give the DOS value for "none"; years
  // past 2107 are held at 2107.
  static bool transferDateTimeToDosTime(const CZorbDateTime& dateTime, std::string& date,
                                        std::string& time);
  // The reverse; digits that are not hex read as 0.
  static bool transferDosTimeToDateTime(const std::string& date, const std::string& time,
                                        CZorbDateTime& dateTime);

  // The destination of the unpacking in progress, and whether writing one
  // of its entries failed. One unpacking at a time.
  static CZorbPath openZipFileRootDirectory;
  static bool g_UnPackFailed;
};
