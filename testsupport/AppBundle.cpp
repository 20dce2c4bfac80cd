#include "testsupport/AppBundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace testsupport {

std::string infoPlist(const std::string& signature, const std::string& identifier,
                      const std::string& version, const std::string& executable,
                      const std::string& extra) {
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

std::string makeAppBundle(const std::string& folder, const std::string& name,
                          const std::string& signature, const std::string& identifier,
                          const std::string& version, const std::string& program,
                          const std::string& extra) {
  const std::string bundle = folder + "/" + name + ".app";
  std::error_code ec;
  for (const char* sub : {"/Contents/MacOS", "/Contents/Resources"}) {
    fs::create_directories(bundle + sub, ec);
    if (ec) break;
  }
  if (ec) ADD_FAILURE() << "cannot make " << bundle << ": " << ec.message();
  std::ofstream plist(bundle + "/Contents/Info.plist", std::ios::binary | std::ios::trunc);
  plist << infoPlist(signature, identifier, version, name, extra);
  if (!plist) ADD_FAILURE() << "cannot write the Info.plist of " << bundle;
  if (!program.empty()) {
    fs::copy_file(program, bundle + "/Contents/MacOS/" + name, fs::copy_options::overwrite_existing,
                  ec);
    if (ec) ADD_FAILURE() << "cannot copy " << program << ": " << ec.message();
  }
  return bundle;
}

}  // namespace testsupport
