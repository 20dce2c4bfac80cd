#include "testsupport/Layering.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace testsupport {

namespace fs = std::filesystem;

const LayerRules& projectLayers() {
  static const LayerRules rules = {
      {"platform", {}},
      {"support", {"platform"}},
      {"messaging", {"platform"}},
      {"pkg", {"platform"}},
      {"foundation", {"platform", "support", "messaging", "pkg"}},
      {"transaction", {"foundation"}},
      {"config", {"foundation", "transaction"}},
      {"package", {"foundation", "pkg"}},
      {"extension", {"config", "package", "foundation", "transaction"}},
      {"products", {"extension", "config", "package", "messaging", "foundation", "transaction"}},
      {"engine",
       {"products", "extension", "config", "package", "messaging", "foundation", "transaction",
        "support", "pkg", "platform"}},
      {"app",
       {"engine", "products", "extension", "config", "package", "messaging", "foundation",
        "transaction", "support", "pkg", "platform"}},
      {"validator", {"support", "platform", "pkg"}},
  };
  return rules;
}

std::string LayerViolation::text() const {
  return file + ":" + std::to_string(line) + ": includes \"" + included + "\"";
}

namespace {

std::set<std::string> closure(const LayerRules& rules, const std::string& library) {
  std::set<std::string> seen;
  std::function<void(const std::string&)> visit = [&](const std::string& lib) {
    auto it = rules.find(lib);
    if (it == rules.end()) return;
    for (const std::string& dep : it->second)
      if (seen.insert(dep).second) visit(dep);
  };
  seen.insert(library);
  visit(library);
  return seen;
}

bool isSource(const fs::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc" || ext == ".inc";
}

// True when the path lies in a tests/, fuzz/ or testdata folder of the library.
bool isTestFile(const fs::path& relative) {
  for (const auto& part : relative)
    if (part == "tests" || part == "fuzz" || part == "testdata") return true;
  return false;
}

// Reads `#include "x"` (spaces allowed around the '#'); false for any other line.
bool quotedInclude(const std::string& line, std::string& included) {
  size_t i = line.find_first_not_of(" \t");
  if (i == std::string::npos || line[i] != '#') return false;
  i = line.find_first_not_of(" \t", i + 1);
  if (i == std::string::npos || line.compare(i, 7, "include") != 0) return false;
  i = line.find_first_not_of(" \t", i + 7);
  if (i == std::string::npos || line[i] != '"') return false;
  const size_t end = line.find('"', i + 1);
  if (end == std::string::npos) return false;
  included = line.substr(i + 1, end - i - 1);
  return true;
}

}  // namespace

std::vector<LayerViolation> checkLayers(const std::string& root, const LayerRules& rules,
                                        const std::set<std::string>& testFolders) {
  std::vector<LayerViolation> found;
  for (const auto& [library, deps] : rules) {
    const fs::path folder = fs::path(root) / library;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) continue;
    const std::set<std::string> allowed = closure(rules, library);
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->is_regular_file() && isSource(it->path())) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      const fs::path relative = fs::relative(file, root);
      const bool test = isTestFile(fs::relative(file, folder));
      std::ifstream in(file);
      std::string text;
      int number = 0;
      while (std::getline(in, text)) {
        ++number;
        std::string included;
        if (!quotedInclude(text, included)) continue;
        const std::string top = included.substr(0, included.find('/'));
        if (top.size() == included.size()) continue;
        // Only folders of the tree count; "gtest/gtest.h" and the like are
        // system headers found through the include path.
        if (!rules.count(top) && !testFolders.count(top)) continue;
        if (allowed.count(top) || (test && testFolders.count(top))) continue;
        found.push_back({relative.string(), number, included});
      }
    }
  }
  return found;
}

}  // namespace testsupport
