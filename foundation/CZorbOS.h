#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbVersionNumber.h"
#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/FileRef.h"
#include "platform/os/Notification.h"

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
  static int32_t SendCommandLine(const platform::FSRef& file, const platform::ProcessSerialNumber& psn,
                                 uint32_t keyword, const char16_t* text);
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
  static bool FindApp(uint32_t creator, const CZorbVersionNumber& min, const CZorbVersionNumber& max,
                      bool (*filter)(const platform::FSRef&), char16_t* path);
  static bool FindApp(uint32_t creator, const CZorbVersionNumber& min, const CZorbVersionNumber& max,
                      char16_t* path);
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
                                        const CZorbVersionNumber& min, const CZorbVersionNumber& max,
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
  // Support folder (made when missing) into the class-wide map; true when
  // it loaded. A failed load is tried again at the next question.
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
};
