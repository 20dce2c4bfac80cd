#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// Installed applications are bundle folders "<Name>.app" holding
// Contents/Info.plist and Contents/MacOS/<executable>; they are looked for
// under the settings' application search roots. Running processes are read
// from /proc.

// The launch parameters of an application: what it is started with.
struct AppParameters {
  std::vector<std::string> arguments;
};

// Statuses the callers test.
inline constexpr int32_t procNotFound = -600;
inline constexpr int32_t kLSApplicationNotFoundErr = -10814;

// A process: {0, 0} is none; the low word holds the process id.
struct ProcessSerialNumber {
  uint32_t highLongOfPSN = 0;
  uint32_t lowLongOfPSN = 0;

  bool isNull() const { return highLongOfPSN == 0 && lowLongOfPSN == 0; }
  bool operator==(const ProcessSerialNumber& other) const {
    return highLongOfPSN == other.highLongOfPSN && lowLongOfPSN == other.lowLongOfPSN;
  }
};
ProcessSerialNumber psnForProcess(pid_t pid);
// The process id, or -1 for a number that names none.
pid_t processOfPsn(const ProcessSerialNumber& psn);

// A four-character code from its text ('QqXm' -> 0x5171586D); 0 unless the
// text has exactly four bytes.
uint32_t fourCharCode(const std::string& text);
std::string fourCharText(uint32_t code);

// One role of an application for a kind of document.
struct DocumentType {
  std::vector<std::string> extensions;  // without a leading point
  std::vector<uint32_t> fileTypes;      // four-character codes
  std::string role;                     // "Editor", "Viewer", ...
};

struct BundleInfo {
  std::string path;          // the bundle folder, without a final "/"
  std::string signature;     // CFBundleSignature
  std::string identifier;    // CFBundleIdentifier
  std::string shortVersion;  // CFBundleShortVersionString
  std::string version;       // CFBundleVersion
  std::string executable;    // CFBundleExecutable
  std::vector<DocumentType> documentTypes;
  timespec creationDate{};  // of the bundle folder (birth time, else modification time)

  uint32_t creator() const { return fourCharCode(signature); }
  // Contents/MacOS/<executable>; empty without an executable name.
  std::string executablePath() const;
};

// Reads a bundle folder. noErr; fnfErr when it holds no Contents/Info.plist;
// paramErr when that file is not a property list (error says why).
[[nodiscard]] int32_t readBundle(const std::string& bundlePath, BundleInfo& info,
                                 std::string* error = nullptr);

// A folder that holds Contents/Info.plist.
bool isBundleFolder(const std::string& path);

// Whether the bundle's executable exists as a regular file that may be run.
bool hasRunnableExecutable(const BundleInfo& info);
// Whether the path names a regular file that may be run.
bool isRunnableFile(const std::string& path);

// Whether a was created strictly later than b.
bool createdLater(const BundleInfo& a, const BundleInfo& b);

// Whether the item lies on a network file system (NFS, SMB, AFS, ...).
bool isOnNetworkVolume(const std::string& path);

// The bundles under the given folders (each root itself, its sub-folders and
// theirs, three levels deep, without looking inside a bundle or at hidden
// names), in name order per folder, each found once. Unreadable bundles are
// left out.
std::vector<BundleInfo> findBundles(const std::vector<std::string>& roots);
// Under the settings' application search roots.
std::vector<BundleInfo> findInstalledApplications();

// The bundle folder around an executable ".../X.app/Contents/MacOS/x"; empty
// when the executable does not lie in one.
std::string bundleOfExecutable(const std::string& executable);
// The bundle folder around this process's executable; empty when it does
// not run from one.
std::string bundleOfCurrentProcess();

struct RunningProcess {
  pid_t pid = -1;
  std::string executable;  // what /proc/<pid>/exe names
  std::string bundlePath;  // the bundle around it, or empty
};
// The processes whose executable can be read, in ascending id order, then
// the pretended ones.
std::vector<RunningProcess> runningProcesses();

// Processes a test pretends are running (hosts of a fake machine): listed
// after the real ones until replaced; an empty list ends the pretence. Their
// ids start at kFirstPretendedPid, above any id the kernel hands out, so no
// signal or event reaches a real process through them.
inline constexpr pid_t kFirstPretendedPid = 0x7FFF0000;
void setPretendedProcesses(std::vector<RunningProcess> processes);

// Starts the bundle's executable detached (see spawnDetached), with the
// arguments after the program name and "/" as its working folder. noErr with the new process, or a
// status: fnfErr without a runnable executable, else the errno's status.
[[nodiscard]] int32_t launchApplication(const BundleInfo& bundle,
                                        const std::vector<std::string>& arguments, pid_t& pid);

}  // namespace platform
