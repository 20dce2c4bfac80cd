#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Running another program without a shell.

struct SpawnOptions {
  // argv[0] is the program: a path, or a bare name looked up in PATH.
  std::vector<std::string> arguments;
  // The child's working folder; empty keeps the caller's.
  std::string workingFolder;
  // Milliseconds on the current clock after which the child is killed
  // (SIGKILL); 0 waits as long as it runs.
  uint32_t timeoutMs = 0;
  // Output beyond this many bytes per stream is read and dropped, so a
  // chatty child neither blocks nor fills the memory.
  size_t maxOutputBytes = 16u << 20;
  // Written to the child's standard input while it runs, which then ends;
  // empty leaves standard input on the null device.
  std::string input;
};

struct SpawnResult {
  // 0 when the program ran; else the errno that kept it from starting
  // (ENOENT for a missing program, ...). The fields below are then unset.
  int startError = 0;
  bool timedOut = false;         // killed after the time-out
  int exitCode = -1;             // the exit status, -1 when a signal ended it
  int signal = 0;                // the signal that ended it, else 0
  std::string output;            // standard output, read while it ran
  std::string errorOutput;       // standard error, read while it ran
  bool outputTruncated = false;  // some output went beyond maxOutputBytes

  bool succeeded() const { return startError == 0 && !timedOut && exitCode == 0; }
};

// Runs the program with the input on its standard input (else the null
// device), reads its standard output and error while it runs, and waits for
// it to end (or for the time-out). The child never inherits the caller's
// other descriptors. A child that stops reading its input early does not
// stop the caller: the rest of the input is dropped.
[[nodiscard]] SpawnResult runProcess(const SpawnOptions& options);

// Starts a program that outlives the caller and is not its child: a double
// fork, the program in a session of its own, its standard streams on the
// null device. On success returns 0 and the program's process id in pid;
// else the errno that kept it from starting.
[[nodiscard]] int spawnDetached(const std::vector<std::string>& arguments,
                                const std::string& workingFolder, pid_t& pid);

// Whether a process with this id exists (it may belong to another user).
bool processExists(pid_t pid);

// Ends the process at once (SIGKILL): 0, or the errno of the failure.
int killProcess(pid_t pid);

}  // namespace platform
