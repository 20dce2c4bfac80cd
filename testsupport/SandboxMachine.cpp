#include "testsupport/SandboxMachine.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/os/Utf.h"
#include "testsupport/AppBundle.h"

namespace fs = std::filesystem;

namespace testsupport {

SandboxMachine::SandboxMachine() : SandboxMachine(Options()) {}

SandboxMachine::Options SandboxMachine::bareVolume(const std::string& volumeName) {
  Options options;
  options.volumeName = volumeName;
  options.bare = true;
  return options;
}

SandboxMachine::SandboxMachine(const Options& options) : m_options(options) {
  const std::string& r = m_dir.path();
  if (r.empty()) ADD_FAILURE() << "cannot make a sandbox directory";
  if (m_options.bare) {
    m_config.volumes = {{m_options.volumeName, r}};
    apply();
    if (m_options.testClock) m_scopedClock = std::make_unique<platform::ScopedClock>(m_clock);
    return;
  }
  const std::string home = r + "/Users/" + m_options.userName;

  m_config.volumes = {{m_options.volumeName, r}};
  m_config.root = r;
  m_config.home = home;
  m_config.users = r + "/Users";
  m_config.sharedUser = r + "/Users/Shared";
  m_config.userLibrary = "<home>/Library";
  m_config.userAppData = "<home>/Library/Application Support";
  m_config.preferences = "<home>/Library/Preferences";
  m_config.userCaches = "<home>/Library/Caches";
  m_config.sharedAppData = "<root>/Library/Application Support";
  m_config.applications = "<root>/Applications";
  m_config.userApplications = "<home>/Applications";
  m_config.tempRoot = "<root>/tmp/plexar-<uid>";
  m_config.trash = "<home>/.Trash";
  m_config.fonts = "<root>/Library/Fonts";
  m_config.system = "<root>/System";
  m_config.appSearchRoots = {"<root>/Applications", "<home>/Applications"};
  m_config.adminGroups = {"admin", "wheel"};
  m_config.preferredLanguage.clear();
  setUser(m_options.user);  // also applies

  for (const std::string& folder :
       {m_config.applicationsFolder(), m_config.sharedAppDataFolder(), m_config.fontsFolder(),
        m_config.systemFolder(), m_config.usersFolder(), m_config.sharedUserFolder(),
        m_config.homeFolder(), m_config.userLibraryFolder(), m_config.userAppDataFolder(),
        m_config.preferencesFolder(), m_config.userCachesFolder(),
        m_config.userApplicationsFolder(), m_config.trashFolder(), m_config.tempRootFolder()}) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) ADD_FAILURE() << "cannot make " << folder << ": " << ec.message();
  }
  std::error_code ec;
  fs::permissions(m_config.tempRootFolder(), fs::perms::owner_all, fs::perm_options::replace, ec);

  const std::string program =
      makeAppBundle(r + "/Applications", "Plexar", "PqR5", "com.vesko.plexar", "5.0.0");
  fs::create_directories(program + "/Contents/Frameworks", ec);

  if (m_options.testClock) m_scopedClock = std::make_unique<platform::ScopedClock>(m_clock);
}

SandboxMachine::~SandboxMachine() {
  m_scopedClock.reset();
  m_override.reset();
}

std::string SandboxMachine::posix(const std::string& relative) const {
  if (relative.empty()) return root();
  return root() + "/" + relative;
}

std::u16string SandboxMachine::colon(const std::string& relative) const {
  // Relative paths in tests are UTF-8; a malformed one is a fault of the test.
  std::u16string inner = platform::utf8ToUtf16(relative).value();
  for (char16_t& unit : inner) {
    if (unit == u'/')
      unit = u':';
    else if (unit == u':')
      unit = u'/';
  }
  return platform::utf8ToUtf16(m_options.volumeName).value() + u":" + inner;
}

std::string SandboxMachine::homeRelative() const {
  return "Users/" + m_options.userName;
}

std::string SandboxMachine::appFolder() const {
  return root() + "/Applications/Plexar.app/Contents/MacOS/";
}

void SandboxMachine::apply() {
  m_override.reset();
  m_override = std::make_unique<platform::PlatformConfig::Override>(m_config);
}

void SandboxMachine::setUser(User user) {
  m_options.user = user;
  switch (user) {
    case User::Standard:
      m_config.effectiveUid = 501;
      m_config.groupNames = std::vector<std::string>{"staff"};
      break;
    case User::Administrator:
      m_config.effectiveUid = 501;
      m_config.groupNames = std::vector<std::string>{"staff", "admin"};
      break;
    case User::Root:
      m_config.effectiveUid = 0;
      m_config.groupNames = std::vector<std::string>{"wheel"};
      break;
  }
  apply();
}

void SandboxMachine::makeFolder(const std::string& relative) const {
  std::error_code ec;
  fs::create_directories(posix(relative), ec);
  if (ec) ADD_FAILURE() << "cannot make " << posix(relative) << ": " << ec.message();
}

void SandboxMachine::writeFile(const std::string& relative, const std::string& content) const {
  fs::path p = posix(relative);
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) ADD_FAILURE() << "cannot write " << p;
}

std::string SandboxMachine::readFile(const std::string& relative) const {
  std::ifstream in(posix(relative), std::ios::binary);
  if (!in) {
    ADD_FAILURE() << "cannot read " << posix(relative);
    return "";
  }
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool SandboxMachine::exists(const std::string& relative) const {
  std::error_code ec;
  return fs::exists(fs::symlink_status(posix(relative), ec));
}

bool SandboxMachine::isFolder(const std::string& relative) const {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(posix(relative), ec));
}

std::vector<std::string> SandboxMachine::list(const std::string& relative) const {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(posix(relative), ec); !ec && it != fs::directory_iterator();
       it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
