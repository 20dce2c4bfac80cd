#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/os/PlatformConfig.h"

namespace osapps_test {

// A fresh temporary folder, removed with its contents at the end, whose
// settings (installed for the fixture's life) put the per-user temporary
// folder and the application search roots inside it.
class Sandbox {
 public:
  Sandbox() : m_path(makeFolder()), m_override(settings(m_path)) {}
  ~Sandbox() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }
  std::string applications() const { return m_path + "/Applications"; }
  std::string userApplications() const { return m_path + "/home/Applications"; }

  static void write(const std::string& path, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }

  // Info.plist text of an application.
  static std::string infoPlist(const std::string& signature, const std::string& identifier,
                               const std::string& version, const std::string& executable,
                               const std::string& extra = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           "\t<key>CFBundleSignature</key>\n\t<string>" + signature + "</string>\n"
           "\t<key>CFBundleIdentifier</key>\n\t<string>" + identifier + "</string>\n"
           "\t<key>CFBundleShortVersionString</key>\n\t<string>" + version + "</string>\n"
           "\t<key>CFBundleExecutable</key>\n\t<string>" + executable + "</string>\n" +
           extra + "</dict>\n</plist>\n";
  }

  // Makes folder/<name>.app with an Info.plist and, when program is given,
  // a copy of it as the executable. Returns the bundle's path.
  static std::string makeBundle(const std::string& folder, const std::string& name,
                                const std::string& signature, const std::string& identifier,
                                const std::string& version, const std::string& program = "",
                                const std::string& extra = "") {
    std::string bundle = folder + "/" + name + ".app";
    write(bundle + "/Contents/Info.plist", infoPlist(signature, identifier, version, name, extra));
    std::filesystem::create_directories(bundle + "/Contents/MacOS");
    if (!program.empty())
      std::filesystem::copy_file(program, bundle + "/Contents/MacOS/" + name,
                                 std::filesystem::copy_options::overwrite_existing);
    return bundle;
  }

 private:
  static std::string makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pxa-XXXXXX").string();
    if (char* made = ::mkdtemp(pattern.data())) return made;
    return {};
  }
  static platform::PlatformConfig settings(const std::string& root) {
    platform::PlatformConfig config;
    config.root = root;
    config.home = root + "/home";
    config.tempRoot = root + "/tmp";
    config.preferredLanguage.clear();
    return config;
  }

  std::string m_path;
  platform::PlatformConfig::Override m_override;
};

}  // namespace osapps_test
