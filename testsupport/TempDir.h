#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A fresh folder under the system's temporary folder ($TMPDIR), removed
// with its contents when the test ends. Its path is a real one (no link on
// the way), empty when the folder cannot be made. The sandbox machine lays
// out its machine in one.
class TempDir {
 public:
  TempDir() {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "plexar-XXXXXX").string();
    if (ec) pattern = "/tmp/plexar-XXXXXX";
    if (char* made = ::mkdtemp(pattern.data())) {
      const std::filesystem::path real = std::filesystem::canonical(made, ec);
      m_path = ec ? std::string(made) : real.string();
    }
  }
  ~TempDir() {
    if (m_path.empty()) return;
    std::error_code ec;
    // Locked files and folders must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(
          it->path(), std::filesystem::perms::owner_all,
          std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  static void write(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  static std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
  }

 private:
  std::string m_path;
};
