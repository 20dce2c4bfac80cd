#include "platform/os/Applications.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "platform/os/PropertyList.h"

namespace platform {

namespace {

constexpr int kSearchDepth = 3;

std::mutex gPretendedMutex;
std::vector<RunningProcess> gPretended;

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool isFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

timespec creationDateOf(const std::string& path) {
  struct statx sx;
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &sx) == 0) {
    if (sx.stx_mask & STATX_BTIME)
      return timespec{static_cast<time_t>(sx.stx_btime.tv_sec),
                      static_cast<long>(sx.stx_btime.tv_nsec)};
    return timespec{static_cast<time_t>(sx.stx_mtime.tv_sec),
                    static_cast<long>(sx.stx_mtime.tv_nsec)};
  }
  return timespec{};
}

std::vector<std::string> sortedNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* e = ::readdir(dir)) {
    if (e->d_name[0] == '.') continue;  // ".", ".." and hidden items
    names.emplace_back(e->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void collect(const std::string& folder, int depth, std::set<std::pair<dev_t, ino_t>>& seen,
             std::vector<BundleInfo>& out) {
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  // Links may lead back to a folder already walked.
  if (!seen.insert({st.st_dev, st.st_ino}).second) return;
  if (isBundleFolder(folder)) {
    BundleInfo info;
    if (readBundle(folder, info) == noErr) out.push_back(std::move(info));
    return;
  }
  if (depth >= kSearchDepth) return;
  for (const auto& name : sortedNames(folder)) collect(folder + "/" + name, depth + 1, seen, out);
}

}  // namespace

ProcessSerialNumber psnForProcess(pid_t pid) {
  ProcessSerialNumber psn;
  if (pid > 0) psn.lowLongOfPSN = static_cast<uint32_t>(pid);
  return psn;
}

pid_t processOfPsn(const ProcessSerialNumber& psn) {
  if (psn.highLongOfPSN != 0 || psn.lowLongOfPSN == 0 || psn.lowLongOfPSN > 0x7FFFFFFFu) return -1;
  return static_cast<pid_t>(psn.lowLongOfPSN);
}

uint32_t fourCharCode(const std::string& text) {
  if (text.size() != 4) return 0;
  uint32_t code = 0;
  for (char c : text) code = (code << 8) | static_cast<unsigned char>(c);
  return code;
}

std::string fourCharText(uint32_t code) {
  std::string text(4, '\0');
  for (int i = 0; i < 4; ++i)
    text[static_cast<size_t>(i)] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
  return text;
}

std::string BundleInfo::executablePath() const {
  if (executable.empty()) return {};
  return path + "/Contents/MacOS/" + executable;
}

int32_t readBundle(const std::string& bundlePath, BundleInfo& info, std::string* error) {
  std::string path = withoutTrailingSlash(bundlePath);
  std::string plistPath = path + "/Contents/Info.plist";
  struct stat st;
  if (::stat(plistPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    if (error) *error = "no Contents/Info.plist in " + path;
    return fnfErr;
  }
  PlistValue root;
  if (!readPropertyListFile(plistPath, root, error)) return paramErr;
  info = BundleInfo();
  info.path = path;
  info.signature = root.string("CFBundleSignature");
  info.identifier = root.string("CFBundleIdentifier");
  info.shortVersion = root.string("CFBundleShortVersionString");
  info.version = root.string("CFBundleVersion");
  info.executable = root.string("CFBundleExecutable");
  // The executable is a name inside Contents/MacOS, never a path.
  if (info.executable.find('/') != std::string::npos || info.executable == "." ||
      info.executable == "..")
    info.executable.clear();
  if (const PlistValue* types = root.find("CFBundleDocumentTypes");
      types != nullptr && types->kind == PlistValue::Array) {
    for (const auto& item : types->items) {
      if (item.kind != PlistValue::Dict) continue;
      DocumentType type;
      type.extensions = item.strings("CFBundleTypeExtensions");
      for (const auto& code : item.strings("CFBundleTypeOSTypes"))
        if (uint32_t c = fourCharCode(code)) type.fileTypes.push_back(c);
      type.role = item.string("CFBundleTypeRole");
      info.documentTypes.push_back(std::move(type));
    }
  }
  info.creationDate = creationDateOf(path);
  return noErr;
}

bool isBundleFolder(const std::string& path) {
  struct stat st;
  std::string plistPath = withoutTrailingSlash(path) + "/Contents/Info.plist";
  return isFolder(path) && ::stat(plistPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool hasRunnableExecutable(const BundleInfo& info) {
  return isRunnableFile(info.executablePath());
}

bool isRunnableFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

bool createdLater(const BundleInfo& a, const BundleInfo& b) {
  if (a.creationDate.tv_sec != b.creationDate.tv_sec)
    return a.creationDate.tv_sec > b.creationDate.tv_sec;
  return a.creationDate.tv_nsec > b.creationDate.tv_nsec;
}

bool isOnNetworkVolume(const std::string& path) {
  struct statfs fs;
  if (::statfs(path.c_str(), &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x5346414F:  // AFS
    case 0x6B414653:  // kAFS
    case 0x73757245:  // Coda
    case 0x564C:      // NCP
    case 0x47504653:  // GPFS
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

std::vector<BundleInfo> findBundles(const std::vector<std::string>& roots) {
  std::vector<BundleInfo> out;
  std::set<std::pair<dev_t, ino_t>> seen;
  for (const auto& root : roots) collect(withoutTrailingSlash(root), 0, seen, out);
  return out;
}

std::vector<BundleInfo> findInstalledApplications() {
  return findBundles(PlatformConfig::current().appSearchRootFolders());
}

std::string bundleOfExecutable(const std::string& executable) {
  const std::string marker = "/Contents/MacOS/";
  size_t at = executable.rfind(marker);
  if (at == std::string::npos || at == 0) return {};
  // Only the executable itself lies in MacOS, no deeper path.
  if (executable.find('/', at + marker.size()) != std::string::npos) return {};
  if (at + marker.size() >= executable.size()) return {};
  return executable.substr(0, at);
}

std::string bundleOfCurrentProcess() {
  char exe[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof exe) return {};
  return bundleOfExecutable(std::string(exe, static_cast<size_t>(n)));
}

std::vector<RunningProcess> runningProcesses() {
  std::vector<pid_t> pids;
  if (DIR* dir = ::opendir("/proc")) {
    while (dirent* e = ::readdir(dir)) {
      char* end = nullptr;
      long pid = std::strtol(e->d_name, &end, 10);
      if (end != e->d_name && *end == '\0' && pid > 0) pids.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(dir);
  }
  std::sort(pids.begin(), pids.end());
  std::vector<RunningProcess> out;
  for (pid_t pid : pids) {
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string target(PATH_MAX, '\0');
    ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) continue;  // gone, or not ours to read
    target.resize(static_cast<size_t>(n));
    if (endsWith(target, " (deleted)")) continue;
    RunningProcess p;
    p.pid = pid;
    p.executable = target;
    p.bundlePath = bundleOfExecutable(target);
    out.push_back(std::move(p));
  }
  std::lock_guard<std::mutex> lock(gPretendedMutex);
  out.insert(out.end(), gPretended.begin(), gPretended.end());
  return out;
}

void setPretendedProcesses(std::vector<RunningProcess> processes) {
  std::lock_guard<std::mutex> lock(gPretendedMutex);
  gPretended = std::move(processes);
}

int32_t launchApplication(const BundleInfo& bundle, const std::vector<std::string>& arguments,
                          pid_t& pid) {
  pid = -1;
  if (!hasRunnableExecutable(bundle)) return fnfErr;
  std::vector<std::string> argv;
  argv.push_back(bundle.executablePath());
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  int err = spawnDetached(argv, "/", pid);
  return err == 0 ? noErr : macStatusFromErrno(err);
}

}  // namespace platform
