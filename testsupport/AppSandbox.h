#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "testsupport/SandboxMachine.h"

namespace osapps_test {

// The sandbox machine with helpers for application bundles. Paths given to
// the helpers are absolute.
class Sandbox {
 public:
  const std::string& path() const { return m_machine.root(); }
  std::string operator/(const std::string& name) const { return m_machine.posix(name); }
  std::string applications() const { return m_machine.config().applicationsFolder(); }
  std::string userApplications() const { return m_machine.config().userApplicationsFolder(); }
  // The per-user temporary folder (mode 0700).
  std::string tempRoot() const { return m_machine.config().tempRootFolder(); }
  testsupport::SandboxMachine& machine() { return m_machine; }

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
           "\t<key>CFBundleSignature</key>\n\t<string>" +
           signature +
           "</string>\n"
           "\t<key>CFBundleIdentifier</key>\n\t<string>" +
           identifier +
           "</string>\n"
           "\t<key>CFBundleShortVersionString</key>\n\t<string>" +
           version +
           "</string>\n"
           "\t<key>CFBundleExecutable</key>\n\t<string>" +
           executable + "</string>\n" + extra + "</dict>\n</plist>\n";
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
  mutable testsupport::SandboxMachine m_machine;
};

}  // namespace osapps_test
