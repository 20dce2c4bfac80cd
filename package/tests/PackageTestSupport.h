#pragma once

// Helpers shared by the package tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"
#include "platform/os/Utf.h"
#include "testsupport/SandboxMachine.h"

namespace packagetest {

// The bytes the fixture generators write: (i * seed + 3) mod 251.
inline std::string Pattern(size_t n, unsigned seed) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>((i * seed + 3) % 251);
  return out;
}

// Bytes that do not compress, from a linear congruential generator.
inline std::string Noise(size_t n, uint32_t seed) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    out[i] = static_cast<char>(seed >> 24);
  }
  return out;
}

inline std::string ReadBytes(const std::string& posixPath) {
  std::ifstream in(posixPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& posixPath, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(posixPath).parent_path());
  std::ofstream(posixPath, std::ios::binary) << bytes;
}

inline std::string TestData(const std::string& relative) {
  return std::string(PLEXAR_TESTDATA_DIR) + "/" + relative;
}

// Copies a fixture into the sandbox (colon paths only reach the sandbox's
// volume) and returns its colon path.
inline CString CopyFixture(testsupport::SandboxMachine& sandbox, const std::string& fixture,
                           const std::string& relative) {
  WriteBytes(sandbox.posix(relative), ReadBytes(TestData(fixture)));
  return CString(sandbox.colon(relative).c_str());
}

inline CString Colon(testsupport::SandboxMachine& sandbox, const std::string& relative) {
  return CString(sandbox.colon(relative).c_str());
}

// Every path below a folder, relative to it, "/"-separated, folders ending
// in "/", sorted; links are listed, not followed.
inline std::vector<std::string> Tree(const std::string& posixFolder) {
  std::vector<std::string> out;
  std::error_code ec;
  const std::filesystem::path root(posixFolder);
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::string name = std::filesystem::relative(it->path(), root).string();
    if (it->is_directory() && !it->is_symlink()) name += "/";
    out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

inline std::vector<std::string> Utf8(const CZorbTypedVector<CString>& names) {
  std::vector<std::string> out;
  for (const CString& name : names)
    out.push_back(platform::utf16ToUtf8Lossy(std::u16string_view(name.Get(), name.GetLength())));
  return out;
}

// True when some item below the folder has this name.
inline bool AnyNamed(const std::string& posixFolder, const std::string& name) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(posixFolder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->path().filename() == name) return true;
  return false;
}

}  // namespace packagetest
