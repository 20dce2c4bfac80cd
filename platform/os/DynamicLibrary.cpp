#include "platform/os/DynamicLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include "platform/os/Applications.h"
#include "platform/os/MacStatus.h"

namespace platform {

DynamicLibrary::~DynamicLibrary() {
  close();
}

bool DynamicLibrary::open(const std::string& path) {
  close();
  m_error.clear();
  dlerror();
  m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    const char* why = dlerror();
    m_error = why ? why : "cannot load " + path;
    return false;
  }
  return true;
}

void DynamicLibrary::close() {
  if (m_handle != nullptr) ::dlclose(m_handle);
  m_handle = nullptr;
}

void* DynamicLibrary::symbol(const std::string& name) const {
  if (m_handle == nullptr || name.empty()) return nullptr;
  return ::dlsym(m_handle, name.c_str());
}

std::string bundleExecutablePath(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return {};
  if (S_ISREG(st.st_mode)) return folder;
  if (!S_ISDIR(st.st_mode)) return {};
  BundleInfo info;
  std::string executable;
  if (readBundle(folder, info) == noErr && !info.executable.empty()) {
    executable = info.executablePath();
  } else {
    std::string name = folder.substr(folder.rfind('/') + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    if (name.empty()) return {};
    executable = folder + "/Contents/MacOS/" + name;
  }
  if (::stat(executable.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return executable;
}

}  // namespace platform
