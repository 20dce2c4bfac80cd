#include "platform/os/PlatformConfig.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>

namespace platform {

namespace {

// Room for the user's account record (getpwuid_r).
constexpr size_t kAccountRecordBytes = 16384;

std::string homeFromSystem() {
  const char* env = std::getenv("HOME");
  if (env != nullptr && *env != '\0') return env;
  // Without HOME, the password database still knows the home folder.
  struct passwd pw;
  struct passwd* found = nullptr;
  std::vector<char> buf(kAccountRecordBytes);
  if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && *found->pw_dir != '\0')
    return found->pw_dir;
  return "/";
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

void replaceAll(std::string& s, const std::string& what, const std::string& with) {
  size_t pos = 0;
  while ((pos = s.find(what, pos)) != std::string::npos) {
    s.replace(pos, what.size(), with);
    pos += with.size();
  }
}

bool parseUnsigned(const std::string& text, uint32_t& out) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v > 0xFFFFFFFFull) return false;
  out = static_cast<uint32_t>(v);
  return true;
}

// The settings in force: null until first needed.
struct State {
  std::mutex mutex;
  std::shared_ptr<const PlatformConfig> config;
  std::string resourcesFolder;
};

State& state() {
  static State s;
  return s;
}

std::shared_ptr<const PlatformConfig> loadCurrent(const std::string& resources) {
  auto config = std::make_shared<PlatformConfig>();
  if (!resources.empty()) {
    std::string path = resources + "/platform.conf";
    if (access(path.c_str(), F_OK) == 0) {
      std::vector<std::string> errors;
      if (!config->loadFile(path, &errors))
        for (const auto& e : errors) std::cerr << "platform.conf: " << e << '\n';
    }
  }
  return config;
}

}  // namespace

PlatformConfig::PlatformConfig()
    : volumes{{"Disk", "/"}},
      root("/"),
      home(homeFromSystem()),
      users("/home"),
      sharedUser("<root>"),
      userLibrary("<home>/Library"),
      userAppData("<home>/Library/Application Support"),
      preferences("<home>/Library/Preferences"),
      userCaches("<home>/Library/Caches"),
      sharedAppData("<root>/Library/Application Support"),
      applications("<root>/Applications"),
      userApplications("<home>/Applications"),
      tempRoot("/tmp/plexar-<uid>"),
      trash("<home>/.Trash"),
      fonts("<root>/Library/Fonts"),
      system("<root>/System"),
      appSearchRoots{"<root>/Applications", "<home>/Applications"},
      adminGroups{"admin", "wheel"},
      systemVersion(0x1070) {}

std::string PlatformConfig::expand(const std::string& text) const {
  std::string s = text;
  // <home> first: a home given as "<root>/..." is expanded with the rest.
  replaceAll(s, "<home>", home);
  replaceAll(s, "<root>", root);
  replaceAll(s, "<uid>", std::to_string(effectiveUid.value_or(static_cast<uint32_t>(geteuid()))));
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  return out;
}

std::string PlatformConfig::rootFolder() const {
  return expand(root);
}
std::string PlatformConfig::homeFolder() const {
  return expand(home);
}
std::string PlatformConfig::usersFolder() const {
  return expand(users);
}
std::string PlatformConfig::sharedUserFolder() const {
  return expand(sharedUser);
}
std::string PlatformConfig::userLibraryFolder() const {
  return expand(userLibrary);
}
std::string PlatformConfig::userAppDataFolder() const {
  return expand(userAppData);
}
std::string PlatformConfig::preferencesFolder() const {
  return expand(preferences);
}
std::string PlatformConfig::userCachesFolder() const {
  return expand(userCaches);
}
std::string PlatformConfig::sharedAppDataFolder() const {
  return expand(sharedAppData);
}
std::string PlatformConfig::applicationsFolder() const {
  return expand(applications);
}
std::string PlatformConfig::userApplicationsFolder() const {
  return expand(userApplications);
}
std::string PlatformConfig::tempRootFolder() const {
  return expand(tempRoot);
}
std::string PlatformConfig::trashFolder() const {
  return expand(trash);
}
std::string PlatformConfig::fontsFolder() const {
  return expand(fonts);
}
std::string PlatformConfig::systemFolder() const {
  return expand(system);
}

std::vector<std::string> PlatformConfig::appSearchRootFolders() const {
  std::vector<std::string> out;
  for (const auto& r : appSearchRoots) out.push_back(expand(r));
  return out;
}

bool PlatformConfig::parse(const std::string& text, std::vector<std::string>* errors) {
  bool ok = true;
  auto fail = [&](int line, const std::string& what) {
    ok = false;
    if (errors) errors->push_back("line " + std::to_string(line) + ": " + what);
  };
  // Lists named in this text start afresh at their first line.
  bool volumesSeen = false, searchSeen = false, adminSeen = false, groupsSeen = false;

  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      fail(lineNo, "expected \"key = value\"");
      continue;
    }
    std::string key = trim(line.substr(0, eq));
    std::string value = trim(line.substr(eq + 1));

    std::string* folder = nullptr;
    if (key == "root")
      folder = &root;
    else if (key == "home")
      folder = &home;
    else if (key == "users")
      folder = &users;
    else if (key == "shared_user")
      folder = &sharedUser;
    else if (key == "user_library")
      folder = &userLibrary;
    else if (key == "user_app_data")
      folder = &userAppData;
    else if (key == "preferences")
      folder = &preferences;
    else if (key == "user_caches")
      folder = &userCaches;
    else if (key == "shared_app_data")
      folder = &sharedAppData;
    else if (key == "applications")
      folder = &applications;
    else if (key == "user_applications")
      folder = &userApplications;
    else if (key == "temp_root")
      folder = &tempRoot;
    else if (key == "trash")
      folder = &trash;
    else if (key == "fonts")
      folder = &fonts;
    else if (key == "system")
      folder = &system;

    if (folder != nullptr) {
      if (value.empty() || (value[0] != '/' && value[0] != '<')) {
        fail(lineNo, "'" + key + "' needs an absolute folder");
        continue;
      }
      *folder = value;
    } else if (key == "volume") {
      size_t colon = value.find(':');
      std::string name = colon == std::string::npos ? "" : trim(value.substr(0, colon));
      std::string mount = colon == std::string::npos ? "" : trim(value.substr(colon + 1));
      if (name.empty() || mount.empty() || mount[0] != '/') {
        fail(lineNo, "'volume' needs \"<name>:<absolute mount point>\"");
        continue;
      }
      if (!volumesSeen) volumes.clear();
      volumesSeen = true;
      volumes.push_back({name, mount});
    } else if (key == "app_search_root") {
      if (value.empty() || (value[0] != '/' && value[0] != '<')) {
        fail(lineNo, "'app_search_root' needs an absolute folder");
        continue;
      }
      if (!searchSeen) appSearchRoots.clear();
      searchSeen = true;
      appSearchRoots.push_back(value);
    } else if (key == "admin_group") {
      if (value.empty()) {
        fail(lineNo, "'admin_group' needs a group name");
        continue;
      }
      if (!adminSeen) adminGroups.clear();
      adminSeen = true;
      adminGroups.push_back(value);
    } else if (key == "group") {
      if (!groupsSeen) groupNames = std::vector<std::string>();
      groupsSeen = true;
      if (!value.empty()) groupNames->push_back(value);
    } else if (key == "language") {
      preferredLanguage = value;
    } else if (key == "uid") {
      uint32_t v;
      if (!parseUnsigned(value, v)) {
        fail(lineNo, "'uid' needs a number");
        continue;
      }
      effectiveUid = v;
    } else if (key == "system_version") {
      uint32_t v;
      if (!parseUnsigned(value, v)) {
        fail(lineNo, "'system_version' needs a number");
        continue;
      }
      systemVersion = v;
    } else {
      fail(lineNo, "unknown key '" + key + "'");
    }
  }
  return ok;
}

bool PlatformConfig::loadFile(const std::string& path, std::vector<std::string>* errors) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (errors) errors->push_back("cannot read " + path);
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return parse(text.str(), errors);
}

const PlatformConfig& PlatformConfig::current() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.config) s.config = loadCurrent(s.resourcesFolder);
  return *s.config;
}

void PlatformConfig::setResourcesFolder(const std::string& folder) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.resourcesFolder = folder;
  s.config.reset();
}

std::string PlatformConfig::resourcesFolder() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.resourcesFolder;
}

PlatformConfig::Override::Override(const PlatformConfig& config) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  previous_ = s.config;
  s.config = std::make_shared<const PlatformConfig>(config);
}

PlatformConfig::Override::~Override() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.config = previous_;
}

}  // namespace platform
