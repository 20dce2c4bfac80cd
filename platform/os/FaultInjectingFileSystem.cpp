#include "platform/os/FaultInjectingFileSystem.h"

#include <fcntl.h>

#include <cerrno>

namespace platform {

FaultInjectingFileSystem::FaultInjectingFileSystem() : m_inner(realFileSystem()) {}

FaultInjectingFileSystem::FaultInjectingFileSystem(IFileSystem& inner) : m_inner(inner) {}

void FaultInjectingFileSystem::failNth(int n, int error, uint32_t ops) {
  Rule rule;
  rule.ops = ops;
  rule.skip = n > 0 ? n - 1 : 0;
  rule.times = 1;
  rule.error = error;
  addRule(rule);
}

void FaultInjectingFileSystem::failPath(const std::string& pathContains, int error, uint32_t ops,
                                        int times) {
  Rule rule;
  rule.ops = ops;
  rule.pathContains = pathContains;
  rule.times = times;
  rule.error = error;
  addRule(rule);
}

void FaultInjectingFileSystem::addRule(const Rule& rule) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rules.push_back(ActiveRule{rule});
}

void FaultInjectingFileSystem::clearRules() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rules.clear();
}

int FaultInjectingFileSystem::callCount(uint32_t ops) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  int count = 0;
  for (const Call& call : m_calls)
    if (call.op & ops) ++count;
  return count;
}

int FaultInjectingFileSystem::injectedFailures() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_injected;
}

std::vector<FaultInjectingFileSystem::Call> FaultInjectingFileSystem::calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

void FaultInjectingFileSystem::setFreeBlocks(std::optional<uint64_t> freeBlocks) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_freeBlocks = freeBlocks;
}

int FaultInjectingFileSystem::intercept(FsOp op, const std::string& path,
                                        const std::string& other) {
  std::lock_guard<std::mutex> lock(m_mutex);
  int injected = 0;
  for (ActiveRule& active : m_rules) {
    const Rule& rule = active.rule;
    if (!(rule.ops & op)) continue;
    if (!rule.pathContains.empty() && path.find(rule.pathContains) == std::string::npos &&
        other.find(rule.pathContains) == std::string::npos)
      continue;
    // Every matching rule counts the call, so rules stay independent.
    const int index = active.seen++;
    if (injected) continue;
    if (index < rule.skip) continue;
    if (rule.times >= 0 && active.failed >= rule.times) continue;
    ++active.failed;
    injected = rule.error;
  }
  if (injected) {
    ++m_injected;
    m_calls.push_back(Call{op, path, injected});
  }
  return injected;
}

void FaultInjectingFileSystem::record(FsOp op, const std::string& path, int result) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_calls.push_back(Call{op, path, result});
}

std::string FaultInjectingFileSystem::pathOf(int fd) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_fdPaths.find(fd);
  return it == m_fdPaths.end() ? std::string() : it->second;
}

int FaultInjectingFileSystem::open(const std::string& path, int flags, mode_t mode, int& fd) {
  const bool writes = (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC));
  const FsOp op = writes ? kFsOpenWrite : kFsOpenRead;
  if (int err = intercept(op, path)) return err;
  const int result = m_inner.open(path, flags, mode, fd);
  if (result == 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fdPaths[fd] = path;
  }
  record(op, path, result);
  return result;
}

int FaultInjectingFileSystem::close(int fd) {
  const std::string path = pathOf(fd);
  const int injected = intercept(kFsClose, path);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fdPaths.erase(fd);
  }
  // The descriptor is released either way, as Linux does.
  const int result = m_inner.close(fd);
  if (injected) return injected;
  record(kFsClose, path, result);
  return result;
}

int FaultInjectingFileSystem::forward(FsOp op, const std::string& path,
                                      const std::function<int()>& call) {
  if (int err = intercept(op, path)) return err;
  const int result = call();
  record(op, path, result);
  return result;
}

int FaultInjectingFileSystem::read(int fd, void* buf, size_t n, off_t offset, size_t& got) {
  got = 0;
  return forward(kFsRead, pathOf(fd), [&] { return m_inner.read(fd, buf, n, offset, got); });
}

int FaultInjectingFileSystem::write(int fd, const void* buf, size_t n, off_t offset,
                                    size_t& written) {
  written = 0;
  return forward(kFsWrite, pathOf(fd), [&] { return m_inner.write(fd, buf, n, offset, written); });
}

int FaultInjectingFileSystem::fsync(int fd) {
  return forward(kFsSync, pathOf(fd), [&] { return m_inner.fsync(fd); });
}

int FaultInjectingFileSystem::truncate(int fd, off_t size) {
  return forward(kFsTruncate, pathOf(fd), [&] { return m_inner.truncate(fd, size); });
}

int FaultInjectingFileSystem::rename(const std::string& from, const std::string& to,
                                     bool noReplace) {
  if (int err = intercept(kFsRename, from, to)) return err;
  const int result = m_inner.rename(from, to, noReplace);
  record(kFsRename, from, result);
  return result;
}

int FaultInjectingFileSystem::unlink(const std::string& path) {
  return forward(kFsUnlink, path, [&] { return m_inner.unlink(path); });
}

int FaultInjectingFileSystem::mkdir(const std::string& path, mode_t mode) {
  return forward(kFsMkdir, path, [&] { return m_inner.mkdir(path, mode); });
}

int FaultInjectingFileSystem::rmdir(const std::string& path) {
  return forward(kFsRmdir, path, [&] { return m_inner.rmdir(path); });
}

int FaultInjectingFileSystem::chmod(const std::string& path, mode_t mode) {
  return forward(kFsChmod, path, [&] { return m_inner.chmod(path, mode); });
}

int FaultInjectingFileSystem::chown(const std::string& path, uid_t uid, gid_t gid) {
  return forward(kFsChown, path, [&] { return m_inner.chown(path, uid, gid); });
}

int FaultInjectingFileSystem::setXattr(const std::string& path, const std::string& name,
                                       const void* value, size_t size) {
  return forward(kFsSetXattr, path, [&] { return m_inner.setXattr(path, name, value, size); });
}

int FaultInjectingFileSystem::removeXattr(const std::string& path, const std::string& name) {
  return forward(kFsRemoveXattr, path, [&] { return m_inner.removeXattr(path, name); });
}

int FaultInjectingFileSystem::setTimes(const std::string& path, const timespec& access,
                                       const timespec& modification) {
  return forward(kFsSetTimes, path, [&] { return m_inner.setTimes(path, access, modification); });
}

int FaultInjectingFileSystem::symlink(const std::string& target, const std::string& path) {
  return forward(kFsSymlink, path, [&] { return m_inner.symlink(target, path); });
}

int FaultInjectingFileSystem::volumeInfo(const std::string& path, VolumeInfo& info) {
  if (int err = intercept(kFsVolumeInfo, path)) return err;
  const int result = m_inner.volumeInfo(path, info);
  if (result == 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_freeBlocks) info.freeBlocks = *m_freeBlocks;
  }
  record(kFsVolumeInfo, path, result);
  return result;
}

}  // namespace platform

namespace platform {

int FaultInjectingFileSystem::listDirectory(const std::string& path,
                                            std::vector<RawDirEntry>& entries) {
  entries.clear();
  return forward(kFsList, path, [&] { return m_inner.listDirectory(path, entries); });
}

namespace {

std::string Joined(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

int FaultInjectingFileSystem::createAt(int folderFd, const std::string& name, mode_t mode,
                                       int& fd) {
  const std::string path = Joined(pathOf(folderFd), name);
  if (int err = intercept(kFsOpenWrite, path)) return err;
  const int result = m_inner.createAt(folderFd, name, mode, fd);
  if (result == 0) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fdPaths[fd] = path;
  }
  record(kFsOpenWrite, path, result);
  return result;
}

int FaultInjectingFileSystem::statAt(int folderFd, const std::string& name, struct stat& st) {
  const std::string path = Joined(pathOf(folderFd), name);
  return forward(kFsStat, path, [&] { return m_inner.statAt(folderFd, name, st); });
}

int FaultInjectingFileSystem::setFileTimes(int fd, const timespec& access,
                                       const timespec& modification) {
  return forward(kFsSetTimes, pathOf(fd),
                 [&] { return m_inner.setFileTimes(fd, access, modification); });
}

}  // namespace platform
