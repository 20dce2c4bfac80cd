#pragma once

#include <string>

namespace tarn {

// Where the two databases live.
struct DatabasePaths {
  std::string product;
  std::string installer;
  // Set for databases that tests named: their writes need not reach the disk.
  bool throwaway = false;
};

// Applies the "key = value" lines of a configuration file over paths;
// unknown keys and lines without "=" are skipped.
void parseConfig(const std::string& text, DatabasePaths& paths);

// The paths in force: the tests' paths where set, else the configuration
// file beside the library, else the built-in defaults. Read at each call.
DatabasePaths databasePaths();

// Null for either clears that override.
void setTestPaths(const char* product, const char* installer);

}  // namespace tarn
