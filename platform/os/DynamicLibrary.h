#pragma once

#include <string>

namespace platform {

// A shared object opened with the system's dynamic loader. Functions are
// resolved at once when the library opens (RTLD_NOW) and its symbols stay
// private to it (RTLD_LOCAL).
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Opens the file at path (an earlier one is closed first). False, with
  // the loader's message in error(), when it cannot be loaded.
  [[nodiscard]] bool open(const std::string& path);
  void close();
  bool isOpen() const { return m_handle != nullptr; }

  // The address of an exported symbol, or null.
  void* symbol(const std::string& name) const;

  const std::string& error() const { return m_error; }

 private:
  void* m_handle = nullptr;
  std::string m_error;
};

// Where a loadable bundle's code lies: a file is taken as it is; a bundle
// folder gives Contents/MacOS/<CFBundleExecutable> (or, without that key,
// Contents/MacOS/ and the folder's name without its extension). Empty when
// the path names neither.
std::string bundleExecutablePath(const std::string& path);

}  // namespace platform
