#pragma once

#include <cstdint>

#include "foundation/CString.h"

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

  // Forgets what InitMultiUserMembers set, so that a test can run it again
  // under other settings. Tests only.
  static void ResetMultiUserMembersForTest();
};
