#pragma once

// The whole program on a fake machine, for the end-to-end tests: a
// FakeMachine with the sample web host (Loomwright 11) and graphics host
// (Emberly 11) of testdata/sample/machine, the built program laid out in the
// machine's application folder with settings that keep it inside the
// machine, and a way to run it there as a person would from a shell.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/CCommandFactory.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "testsupport/FakeMachine.h"
#include "testsupport/ScopedEnvironment.h"
#include "testsupport/TarnFixture.h"

namespace endtoend {

namespace fs = std::filesystem;

inline constexpr uint32_t kProcessLimitMs = 120000;

// The pairs of a sample host's configuration file (key = value lines).
inline testsupport::ConfigPairs samplePairs(const std::string& file) {
  testsupport::ConfigPairs pairs;
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/sample/machine/" + file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    auto trim = [](std::string s) {
      const size_t a = s.find_first_not_of(" \t");
      const size_t b = s.find_last_not_of(" \t\r");
      return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    };
    pairs.emplace_back(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
  }
  return pairs;
}

// The settings file that gives a child process the machine's settings.
inline std::string platformConf(const platform::PlatformConfig& c) {
  std::string text;
  for (const platform::Volume& v : c.volumes)
    text += "volume = " + v.name + ":" + v.mountPoint + "\n";
  const std::pair<const char*, const std::string*> folders[] = {
      {"root", &c.root},
      {"home", &c.home},
      {"users", &c.users},
      {"shared_user", &c.sharedUser},
      {"user_library", &c.userLibrary},
      {"user_app_data", &c.userAppData},
      {"preferences", &c.preferences},
      {"user_caches", &c.userCaches},
      {"shared_app_data", &c.sharedAppData},
      {"applications", &c.applications},
      {"user_applications", &c.userApplications},
      {"temp_root", &c.tempRoot},
      {"trash", &c.trash},
      {"fonts", &c.fonts},
      {"system", &c.system},
  };
  for (const auto& [key, value] : folders) text += std::string(key) + " = " + *value + "\n";
  for (const std::string& r : c.appSearchRoots) text += "app_search_root = " + r + "\n";
  for (const std::string& g : c.adminGroups) text += "admin_group = " + g + "\n";
  if (!c.preferredLanguage.empty()) text += "language = " + c.preferredLanguage + "\n";
  if (c.effectiveUid) text += "uid = " + std::to_string(*c.effectiveUid) + "\n";
  if (c.groupNames)
    for (const std::string& g : *c.groupNames) text += "group = " + g + "\n";
  return text;
}

class Machine {
 public:
  static testsupport::SandboxMachine::Options options() {
    testsupport::SandboxMachine::Options o;
    // The program runs in processes of its own, on the real clock.
    o.testClock = false;
    return o;
  }

  Machine() : m_machine(options()) {
    // The one variable the program reads: the user's home.
    m_homePath = m_machine.posix(m_machine.homeRelative());
    m_home = std::make_unique<testsupport::ScopedEnvironment>(
        std::initializer_list<std::pair<const char*, const char*>>{{"HOME", m_homePath.c_str()}});
    testsupport::FakeHost web;
    web.name = "Vesko Loomwright WB5";
    web.folder = "Applications/Vesko Loomwright Marlin";
    web.signature = "LmWt";
    web.version = "11.0.3";
    web.specifier = "loomwright-11.0";
    web.config = samplePairs("web-host.conf");
    m_machine.addHost(web);
    testsupport::FakeHost graphics;
    graphics.name = "Vesko Emberly WB5";
    graphics.folder = "Applications/Vesko Emberly WB5";
    graphics.signature = "ZURA";
    graphics.version = "11.0.1";
    graphics.specifier = "emberly-11.0";
    graphics.config = samplePairs("graphics-host.conf");
    m_machine.addHost(graphics);
    // The web host's own configuration files, as shipped and as the user's
    // copy.
    const std::string hostFiles = std::string(PLEXAR_TESTDATA_DIR) + "/config/host";
    for (const std::string& folder :
         {std::string("Applications/Vesko Loomwright Marlin/Configuration"),
          m_machine.homeRelative() +
              "/Library/Application Support/Vesko/Loomwright Marlin A0/en_US/Configuration"}) {
      for (const auto& entry : fs::directory_iterator(hostFiles)) {
        const std::string name = entry.path().filename().string();
        const std::string target = folder + (name == "Menus.xml" ? "/Menus/" : "/") + name;
        fs::create_directories(fs::path(m_machine.posix(target)).parent_path());
        fs::copy_file(entry.path(), m_machine.posix(target), fs::copy_options::overwrite_existing);
      }
    }
    layOutProgram();
  }

  testsupport::FakeMachine& machine() { return m_machine; }
  std::string posix(const std::string& relative) const { return m_machine.posix(relative); }
  std::string program() const { return m_program; }
  // A folder of the machine to run from and keep test files in.
  std::string work() const { return m_machine.posix("work"); }

  // Runs the program with these arguments from the work folder.
  platform::SpawnResult run(const std::vector<std::string>& arguments) const {
    platform::SpawnOptions options;
    options.arguments = {m_program};
    options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
    options.workingFolder = work();
    options.timeoutMs = kProcessLimitMs;
    return platform::runProcess(options);
  }

  // Whether this program has the command behind an external call.
  static bool hasCommand(const std::string& name) {
    return CCommandFactory::getInstance()->hasCommand(name);
  }

 private:
  // The built program, its files linked (or copied) into the machine's
  // application folder, with the machine's settings and databases.
  void layOutProgram() {
    const fs::path built = fs::path(PLEXAR_BINARY_DIR) / "Plexar.app";
    const fs::path app = m_machine.posix("Applications/Plexar.app");
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(built);
         it != fs::recursive_directory_iterator(); ++it) {
      const fs::path target = app / fs::relative(it->path(), built);
      if (it->is_directory()) {
        fs::create_directories(target);
        continue;
      }
      fs::remove(target, ec);
      fs::create_hard_link(it->path(), target, ec);
      if (ec) fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing);
    }
    replace(app / "Contents/Resources/platform.conf", platformConf(m_machine.config()));
    replace(app / "Contents/Frameworks/vesko_tarn.conf",
            "product_database = " + m_machine.productDatabase().productDatabase() +
                "\ninstaller_database = " + m_machine.productDatabase().installerDatabase() + "\n");
    fs::create_directories(work());
    m_program = (app / "Contents/MacOS/Plexar").string();
  }
  // Never through a link into the build.
  static void replace(const fs::path& path, const std::string& text) {
    std::error_code ec;
    fs::remove(path, ec);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }

  testsupport::FakeMachine m_machine;
  std::string m_homePath;
  std::unique_ptr<testsupport::ScopedEnvironment> m_home;
  std::string m_program;
};

}  // namespace endtoend
