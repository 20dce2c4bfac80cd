#pragma once

// Application bundles for tests, made in a sandbox machine's folders (paths
// are absolute).

#include <string>

namespace testsupport {

// The Info.plist text of an application; extra goes inside its dict.
std::string infoPlist(const std::string& signature, const std::string& identifier,
                      const std::string& version, const std::string& executable,
                      const std::string& extra = "");

// Makes folder/<name>.app with an Info.plist, Contents/MacOS and
// Contents/Resources and, when program is given, a copy of it as the
// executable <name>. Returns the bundle's path. A failure fails the test.
std::string makeAppBundle(const std::string& folder, const std::string& name,
                          const std::string& signature, const std::string& identifier,
                          const std::string& version, const std::string& program = "",
                          const std::string& extra = "");

}  // namespace testsupport
