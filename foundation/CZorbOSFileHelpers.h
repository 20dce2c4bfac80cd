#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/CString.h"

// Small pieces shared by the file and folder operations of CZorbOS.
namespace zorbos {

CString FromU16(const std::u16string& text);
std::u16string ToU16(const CString& text);

// The POSIX form of a colon path (pure text); nullopt when refused.
[[nodiscard]] std::optional<std::string> ColonToPosix(const CString& colon);
// The colon form of a POSIX path (pure text); empty when refused.
CString PosixToColon(const std::string& posix);

// A null or empty path.
bool IsBlank(const char16_t* path);
bool EndsWithColon(const CString& path);
// Appends ":" when missing.
CString WithColon(const CString& path);
// Removes one trailing ":".
CString WithoutColon(const CString& path);
// The last component, a trailing ":" ignored ("Disk:a:b:" gives "b").
CString LastComponent(const CString& path);
// The path before the last component, without its ":"; empty when none.
CString ParentOf(const CString& path);

// One item of a folder: its name as the program writes it, and its kind.
struct FolderItem {
  CString name;
  bool isFolder = false;  // a real folder; a link to one is not
  bool isSymlink = false;
};
// Lists a folder (no sidecars); false when it does not resolve, could not be
// read to its end, or holds items whose names the program cannot hold.
[[nodiscard]] bool ListFolder(const CString& folder, std::vector<FolderItem>& items);

// A DEBUG line in the log, when the log is on.
void LogDebug(const CString& message, const char* file, int line);

}  // namespace zorbos
