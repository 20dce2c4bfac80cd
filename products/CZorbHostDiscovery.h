#pragma once

#include <cstdint>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbVersionNumber.h"

// Finding a host application by its signature, shared by the host classes
// that have no messaging name.
namespace hostdiscovery {

// The application with the signature whose version lies in [low, high):
// its colon path into appPath (empty when none). True when found.
bool FindApplication(uint32_t signature, const CZorbVersionNumber& low,
                     const CZorbVersionNumber& high, CString& appPath);

// The bundle version of the application at appPath into version; false,
// with version unchanged, when it cannot be read.
bool ReadVersion(const CString& appPath, uint32_t signature, CZorbVersionNumber& version);

// appPath up to and including its last ":"; empty when it has none.
CString FolderOf(const CString& appPath);

// Whether text begins with start, ignoring case over start's length.
bool BeginsWithNoCase(const char16_t* text, const char16_t* start);

// "Software\<maker>\<product>\<version>\Installation".
CString RegistryKey(const char16_t* maker, const char16_t* product, const char16_t* version);

// Whether the marker file lies in the program's folder (gAppPath).
bool ProgramMarkerExists(const char* name);

// The language of the application bundle at appPath (colon form): the
// first of its localisations the user prefers, at most 512 units; empty
// when it has none.
CString BundleLanguage(const CString& appPath);

// A POSIX or colon folder in colon form ending with ":"; empty when it
// names no place.
CString ColonFolder(const CString& folder);

// The posix form of a colon folder without its final ":"; empty when it
// has none.
CString PosixFolder(const CString& colonFolder);

// Whether text can stand as one folder name inside a path: not empty, at
// most 64 units, no separator, not "." or "..".
bool IsPlainName(const CString& text);

// Where a host's language code came from.
enum class LanguageSource { kNone, kDefaultLocale, kToken, kUserPreference };

// The language code the program or the host's configuration asks for into
// out: defaultLocale when set, else the "defaultlocale" token, else the
// user's preferred language. kNone, with out unchanged, when none gives one.
LanguageSource ConfiguredLanguage(
    const CString& defaultLocale,
    const CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan>& tokens,
    CString& out);

}  // namespace hostdiscovery
