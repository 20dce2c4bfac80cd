#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of the volume table: colon paths start with a volume name, which
// stands for the POSIX folder mountPoint.
struct Volume {
  std::string name;        // UTF-8, never contains ":"
  std::string mountPoint;  // absolute POSIX path
};

// The settings of the platform layer. The running program reads them once
// from "platform.conf" in the application's Resources folder over the
// built-in defaults; tests install their own values with
// PlatformConfig::Override.
//
// platform.conf holds one setting per line, "key = value"; blank lines and
// lines starting with "#" are ignored, spaces around key and value are
// trimmed. Folder values may use the placeholders <root>, <home> and <uid>
// (the effective user id); runs of "/" collapse to one. Keys marked
// (repeatable) build a list: their first line in a file replaces the
// built-in list, later lines append to it.
//
//   volume = <name>:<mount point>   (repeatable) e.g. "volume = Disk:/"
//   root = /                        machine root
//   home = /home/ann                the user's home (default: $HOME)
//   users = /home                   the folder of all users' homes
//   shared_user = <root>            the folder whose Library holds data
//                                   shared by all users
//   user_library = <home>/Library
//   user_app_data = <home>/Library/Application Support
//   preferences = <home>/Library/Preferences
//   user_caches = <home>/Library/Caches
//   shared_app_data = <root>/Library/Application Support
//   applications = <root>/Applications
//   user_applications = <home>/Applications
//   temp_root = /tmp/plexar-<uid>   per-user temporary items (made with mode 0700)
//   trash = <home>/.Trash           the user's trash
//   fonts = <root>/Library/Fonts
//   system = <root>/System
//   app_search_root = <folder>      (repeatable) where host applications are looked for
//   admin_group = admin             (repeatable) groups whose members administer
//   language = fr_FR                preferred UI language (empty: ask the system)
//   uid = 501                       pretend to be this effective user
//   group = staff                   (repeatable) pretend to be in these groups
//   system_version = 0x1070         the system version reported to the program
class PlatformConfig {
 public:
  // The built-in defaults (the home folder from HOME).
  PlatformConfig();

  std::vector<Volume> volumes;
  std::string root;
  std::string home;
  std::string users;
  std::string sharedUser;
  std::string userLibrary;
  std::string userAppData;
  std::string preferences;
  std::string userCaches;
  std::string sharedAppData;
  std::string applications;
  std::string userApplications;
  std::string tempRoot;
  std::string trash;
  std::string fonts;
  std::string system;
  std::vector<std::string> appSearchRoots;
  std::vector<std::string> adminGroups;
  std::string preferredLanguage;
  std::optional<uint32_t> effectiveUid;
  std::optional<std::vector<std::string>> groupNames;
  uint32_t systemVersion;

  // Folders with their placeholders expanded.
  std::string rootFolder() const;
  std::string homeFolder() const;
  std::string usersFolder() const;
  std::string sharedUserFolder() const;
  std::string userLibraryFolder() const;
  std::string userAppDataFolder() const;
  std::string preferencesFolder() const;
  std::string userCachesFolder() const;
  std::string sharedAppDataFolder() const;
  std::string applicationsFolder() const;
  std::string userApplicationsFolder() const;
  std::string tempRootFolder() const;
  std::string trashFolder() const;
  std::string fontsFolder() const;
  std::string systemFolder() const;
  std::vector<std::string> appSearchRootFolders() const;

  // Replaces <root>, <home> and <uid> in text and collapses runs of "/".
  std::string expand(const std::string& text) const;

  // Applies "key = value" lines over this object. Bad lines are skipped and
  // described in errors (with their line numbers); the result is true when
  // every line was good.
  [[nodiscard]] bool parse(const std::string& text, std::vector<std::string>* errors);
  // parse() of a whole file; false (with an error) when it cannot be read.
  [[nodiscard]] bool loadFile(const std::string& path, std::vector<std::string>* errors);

  // The settings in force. The first call after start (or after
  // setResourcesFolder) reads platform.conf when there is one; its errors go
  // to standard error.
  static const PlatformConfig& current();

  // Where platform.conf lies; empty (the default) means built-ins only.
  static void setResourcesFolder(const std::string& folder);
  static std::string resourcesFolder();

  // Installs settings for as long as it lives and then restores the old
  // ones. Meant for tests; not to be nested out of order.
  class Override {
   public:
    explicit Override(const PlatformConfig& config);
    ~Override();
    Override(const Override&) = delete;
    Override& operator=(const Override&) = delete;

   private:
    std::shared_ptr<const PlatformConfig> previous_;
  };
};

}  // namespace platform
