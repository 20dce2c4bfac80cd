#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The folders the program builds its paths on, all taken from the settings
// (PlatformConfig), which tests point into a sandbox.
enum class SpecialFolder {
  TemporaryItems,  // per user, mode 0700
  Trash,           // the user's trash
  Fonts,
  System,
  Applications,  // the machine's applications
  UserApplications,
  ApplicationSupport,  // application data shared by all users
  Users,               // the folder of all users' homes
  SharedUser,          // the folder whose Library holds shared user data
  Home,                // the current user's home
};

// The folder's POSIX path (no trailing "/") when it exists as a folder, or,
// with create, after making it and its missing parents. Returns noErr,
// fnfErr for a missing folder that was not to be made, or the status of the
// failure. Folders are made through the current IFileSystem.
//
// The temporary-items folder is made with mode 0700 and must be a real
// folder (not a link) that this process owns; a wider mode is narrowed to
// 0700. One owned by someone else is refused (afpAccessDenied), so nobody
// can slip the program a folder of theirs.
[[nodiscard]] int32_t findSpecialFolder(SpecialFolder which, bool create, std::string& path);

// Makes the folder and its missing parents (mode 0777 less the umask; the
// last one with `mode` when given). noErr when it exists as a folder already.
[[nodiscard]] int32_t makeFolders(const std::string& path, uint32_t lastMode = 0777);

}  // namespace platform
