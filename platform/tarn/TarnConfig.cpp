#include "platform/tarn/TarnConfig.h"

#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/os/LoadedObject.h"
#include "platform/tarn/TarnSchema.h"

namespace tarn {

namespace {

std::mutex gOverrideMutex;
std::optional<std::string> gProductOverride;
std::optional<std::string> gInstallerOverride;

std::string trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::string configFilePath() {
  const std::string library =
      platform::loadedObjectPath(reinterpret_cast<const void*>(&parseConfig));
  const size_t slash = library.rfind('/');
  if (slash == std::string::npos) return {};
  return library.substr(0, slash + 1) + kConfigFileName;
}

}  // namespace

void parseConfig(const std::string& text, DatabasePaths& paths) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = trim(line.substr(0, equals));
    const std::string value = trim(line.substr(equals + 1));
    if (value.empty()) continue;
    if (key == kProductDatabaseKey)
      paths.product = value;
    else if (key == kInstallerDatabaseKey)
      paths.installer = value;
  }
}

DatabasePaths databasePaths() {
  DatabasePaths paths{kDefaultProductDatabase, kDefaultInstallerDatabase, false};
  const std::string config = configFilePath();
  if (!config.empty()) {
    std::ifstream in(config, std::ios::binary);
    if (in) {
      std::ostringstream text;
      text << in.rdbuf();
      parseConfig(text.str(), paths);
    }
  }
  std::lock_guard<std::mutex> guard(gOverrideMutex);
  if (gProductOverride) paths.product = *gProductOverride;
  if (gInstallerOverride) paths.installer = *gInstallerOverride;
  paths.throwaway = gProductOverride || gInstallerOverride;
  return paths;
}

void setTestPaths(const char* product, const char* installer) {
  std::lock_guard<std::mutex> guard(gOverrideMutex);
  gProductOverride = product ? std::optional<std::string>(product) : std::nullopt;
  gInstallerOverride = installer ? std::optional<std::string>(installer) : std::nullopt;
}

}  // namespace tarn
