#include "validator/FolderContent.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace nimbrel {

namespace fs = std::filesystem;

namespace {

class FileReader : public ContentReader {
 public:
  explicit FileReader(const std::string& path) : m_in(path, std::ios::binary) {}
  bool isOpen() const { return m_in.is_open(); }

  int read(char* buffer, int size) override {
    if (m_in.bad()) return -1;
    m_in.read(buffer, size);
    if (m_in.bad()) return -1;
    return static_cast<int>(m_in.gcount());
  }

 private:
  std::ifstream m_in;
};

}  // namespace

FolderContent::FolderContent(const std::string& folder) : m_folder(folder) {
  std::error_code error;
  if (!fs::is_directory(fs::symlink_status(m_folder, error))) {
    m_readable = false;
    return;
  }
  fs::recursive_directory_iterator it(m_folder, fs::directory_options::none, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (m_names.size() + m_problems.size() >= kMaxNames) {
      m_problems.push_back("(more than " + std::to_string(kMaxNames) + " names)");
      break;
    }
    const std::string name = it->path().lexically_relative(m_folder).generic_string();
    const fs::file_status status = it->symlink_status(error);
    if (error) break;
    if (fs::is_directory(status)) {
      if (static_cast<size_t>(it.depth()) >= kMaxDepth) {
        m_problems.push_back(name + "/");
        it.disable_recursion_pending();
        continue;
      }
      m_names.push_back(name + "/");
    } else if (fs::is_regular_file(status)) {
      m_names.push_back(name);
      m_files.insert(name);
    } else {
      m_problems.push_back(name);
    }
  }
  if (error) m_readable = false;
  // The folder's listing order is the file system's: sorted, it is the
  // same on every run.
  std::sort(m_names.begin(), m_names.end());
  std::sort(m_problems.begin(), m_problems.end());
}

bool FolderContent::hasFile(const std::string& name) const {
  return m_files.count(name) != 0;
}

std::unique_ptr<ContentReader> FolderContent::open(const std::string& name) {
  if (!hasFile(name)) return nullptr;
  auto reader = std::make_unique<FileReader>(m_folder + "/" + name);
  if (!reader->isOpen()) return nullptr;
  return reader;
}

}  // namespace nimbrel
