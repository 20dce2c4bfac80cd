#include "testsupport/RollbackProbe.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/TreeSnapshot.h"

namespace fs = std::filesystem;

namespace testsupport {

namespace {

const char* opName(platform::FsOp op) {
  switch (op) {
    case platform::kFsOpenRead:
      return "open-read";
    case platform::kFsOpenWrite:
      return "open-write";
    case platform::kFsRead:
      return "read";
    case platform::kFsWrite:
      return "write";
    case platform::kFsSync:
      return "fsync";
    case platform::kFsTruncate:
      return "truncate";
    case platform::kFsClose:
      return "close";
    case platform::kFsRename:
      return "rename";
    case platform::kFsUnlink:
      return "unlink";
    case platform::kFsMkdir:
      return "mkdir";
    case platform::kFsRmdir:
      return "rmdir";
    case platform::kFsChmod:
      return "chmod";
    case platform::kFsChown:
      return "chown";
    case platform::kFsSetXattr:
      return "setxattr";
    case platform::kFsRemoveXattr:
      return "removexattr";
    case platform::kFsSetTimes:
      return "settimes";
    case platform::kFsSymlink:
      return "symlink";
    case platform::kFsVolumeInfo:
      return "volumeinfo";
    case platform::kFsList:
      return "list";
    case platform::kFsStat:
      return "stat";
  }
  return "?";
}

std::vector<TreeSnapshot> snapshots(const RollbackProbe::Case& c) {
  std::vector<TreeSnapshot> out;
  for (const std::string& root : c.roots) out.push_back(TreeSnapshot::take(root, c.skip));
  return out;
}

// The paths below the roots whose names hold one of the stray names.
std::vector<std::string> strays(const RollbackProbe::Case& c) {
  std::vector<std::string> out;
  if (c.strayNames.empty()) return out;
  for (const std::string& root : c.roots) {
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(root, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      for (const std::string& stray : c.strayNames)
        if (name.find(stray) != std::string::npos) out.push_back(it->path().string());
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> RollbackProbe::names(const std::string& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    out.push_back(it->path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> RollbackProbe::newNames(const std::string& folder,
                                                 const std::vector<std::string>& before) {
  std::vector<std::string> out;
  for (const std::string& name : names(folder))
    if (!std::binary_search(before.begin(), before.end(), name)) out.push_back(name);
  return out;
}

std::string RollbackProbe::Result::report() const {
  std::ostringstream out;
  if (!cleanRunSucceeded) out << "the run without faults failed\n";
  out << calls << " mutating calls\n";
  for (const std::string& line : faults) out << line << "\n";
  for (const Survived& s : survived)
    out << "succeeded with call " << s.index << " (" << s.op << " " << s.path << ") failed\n";
  return out.str();
}

RollbackProbe::Result RollbackProbe::run(const Case& c) {
  Result result;
  c.prepare();
  {
    platform::FaultInjectingFileSystem counter;
    platform::FileSystemOverride use(counter);
    result.cleanRunSucceeded = c.run();
    result.calls = counter.callCount(c.ops);
  }
  if (!result.cleanRunSucceeded) {
    result.calls = 0;
    return result;
  }
  for (const std::string& path : strays(c))
    result.faults.push_back("the run without faults left " + path);
  const int last = c.limit > 0 ? std::min(c.limit, result.calls) : result.calls;
  for (int k = 1; k <= last; ++k) {
    c.prepare();
    const std::vector<TreeSnapshot> before = snapshots(c);
    const std::vector<std::string> tempBefore =
        c.temporaryFolder.empty() ? std::vector<std::string>{} : names(c.temporaryFolder);
    const std::string memoryBefore = c.memory ? c.memory() : std::string();

    platform::FaultInjectingFileSystem faults;
    bool succeeded = false;
    std::string failedCall;
    {
      platform::FileSystemOverride use(faults);
      faults.failNth(k, c.error, c.ops);
      succeeded = c.run();
    }
    // The k-th counted call is the one that was failed; others may fail
    // on their own (a look-up of a missing file).
    int counted = 0;
    for (const auto& call : faults.calls()) {
      if ((call.op & c.ops) == 0 || ++counted != k) continue;
      failedCall = std::string(opName(call.op)) + " " + call.path;
      if (succeeded) result.survived.push_back({k, opName(call.op), call.path});
      break;
    }
    const std::string where = "call " + std::to_string(k) + " (" + failedCall + "): ";
    for (const std::string& path : strays(c)) result.faults.push_back(where + "left " + path);
    if (succeeded) continue;
    if (c.pendingSteps && c.pendingSteps() != 0)
      result.faults.push_back(where + std::to_string(c.pendingSteps()) + " steps left in the list");
    const std::vector<TreeSnapshot> after = snapshots(c);
    for (std::size_t i = 0; i < before.size(); ++i) {
      const std::string diff = before[i].diff(after[i]);
      if (!diff.empty()) result.faults.push_back(where + c.roots[i] + " differs:\n" + diff);
    }
    if (!c.temporaryFolder.empty()) {
      for (const std::string& name : newNames(c.temporaryFolder, tempBefore))
        result.faults.push_back(where + "left in the temporary folder: " + name);
    }
    if (c.memory) {
      const std::string memoryAfter = c.memory();
      if (memoryAfter != memoryBefore)
        result.faults.push_back(where + "memory differs:\n  before: " + memoryBefore +
                                "\n  after:  " + memoryAfter);
    }
  }
  return result;
}

}  // namespace testsupport
