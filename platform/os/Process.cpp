#include "platform/os/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/Clock.h"

extern char** environ;

namespace platform {

namespace {

// How often a wait without a way to be woken looks at the child and the
// clock again.
constexpr int kSliceMs = 20;

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }
  void reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }

 private:
  int m_fd = -1;
};

// File actions and attributes shared by both kinds of spawn: nothing
// inherited beyond the standard streams, default signal handling and an
// empty signal mask.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2})
      sigaddset(&defaults, s);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  int finish(const std::string& workingFolder) {
    if (!workingFolder.empty()) {
      int rc = posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
      if (rc != 0) return rc;
    }
    return posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
};

std::vector<char*> argvOf(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

int spawn(pid_t& pid, const std::vector<std::string>& arguments, SpawnSetup& setup) {
  std::vector<char*> argv = argvOf(arguments);
  const std::string& program = arguments.front();
  if (program.find('/') == std::string::npos)
    return posix_spawnp(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
  return posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
}

// Reads what the pipe has now. False at its end (or on an error).
bool drain(int fd, std::string& into, size_t cap, bool& truncated) {
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      size_t room = into.size() < cap ? cap - into.size() : 0;
      size_t keep = static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
      into.append(buf, keep);
      if (keep < static_cast<size_t>(n)) truncated = true;
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

// Writes what the socket takes now of the input from sent on. False once
// the whole input is written or the reader has gone.
bool feed(int fd, const std::string& input, size_t& sent) {
  while (sent < input.size()) {
    ssize_t n = ::send(fd, input.data() + sent, input.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return false;
}

void recordStatus(int status, SpawnResult& result) {
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
}

pid_t waitChild(pid_t pid, int& status, int options) {
  for (;;) {
    pid_t r = ::waitpid(pid, &status, options);
    if (r < 0 && errno == EINTR) continue;
    return r;
  }
}

}  // namespace

SpawnResult runProcess(const SpawnOptions& options) {
  SpawnResult result;
  if (options.arguments.empty() || options.arguments.front().empty()) {
    result.startError = EINVAL;
    return result;
  }

  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    result.startError = errno;
    return result;
  }
  Fd outRead(outPipe[0]), outWrite(outPipe[1]);
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    result.startError = errno;
    return result;
  }
  Fd errRead(errPipe[0]), errWrite(errPipe[1]);
  // The input goes through a socket rather than a pipe: a child that ends
  // without reading it all costs an error (MSG_NOSIGNAL), not SIGPIPE.
  Fd inWrite, inRead;
  if (!options.input.empty()) {
    int inPair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0) {
      result.startError = errno;
      return result;
    }
    inWrite.reset(inPair[0]);
    inRead.reset(inPair[1]);
    ::shutdown(inRead.get(), SHUT_WR);
    ::shutdown(inWrite.get(), SHUT_RD);
  }

  SpawnSetup setup;
  if (inRead.get() >= 0)
    posix_spawn_file_actions_adddup2(&setup.actions, inRead.get(), 0);
  else
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&setup.actions, outWrite.get(), 1);
  posix_spawn_file_actions_adddup2(&setup.actions, errWrite.get(), 2);
  if (int rc = setup.finish(options.workingFolder); rc != 0) {
    result.startError = rc;
    return result;
  }

  pid_t pid = -1;
  if (int rc = spawn(pid, options.arguments, setup); rc != 0) {
    result.startError = rc;
    return result;
  }
  outWrite.reset();
  errWrite.reset();
  inRead.reset();
  ::fcntl(outRead.get(), F_SETFL, O_NONBLOCK);
  ::fcntl(errRead.get(), F_SETFL, O_NONBLOCK);

  // A pidfd wakes the poll when the child ends, even while a grandchild
  // keeps the pipes open; without one the loop looks every slice.
  Fd pidFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));

  Clock& clock = currentClock();
  const uint64_t deadline = clock.nowMs() + options.timeoutMs;
  bool outOpen = true, errOpen = true, exited = false;
  size_t inputSent = 0;
  int status = 0;
  for (;;) {
    pollfd fds[4];
    nfds_t n = 0;
    int outIx = -1, errIx = -1, inIx = -1;
    if (inWrite.get() >= 0) {
      inIx = static_cast<int>(n);
      fds[n++] = {inWrite.get(), POLLOUT, 0};
    }
    if (outOpen) {
      outIx = static_cast<int>(n);
      fds[n++] = {outRead.get(), POLLIN, 0};
    }
    if (errOpen) {
      errIx = static_cast<int>(n);
      fds[n++] = {errRead.get(), POLLIN, 0};
    }
    if (pidFd.get() >= 0) fds[n++] = {pidFd.get(), POLLIN, 0};
    int wait = (options.timeoutMs != 0 || pidFd.get() < 0) ? kSliceMs : -1;
    int ready = ::poll(fds, n, wait);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      if (inIx >= 0 && fds[inIx].revents && !feed(inWrite.get(), options.input, inputSent))
        inWrite.reset();  // all written, or the child takes no more
      if (outIx >= 0 && fds[outIx].revents)
        outOpen =
            drain(outRead.get(), result.output, options.maxOutputBytes, result.outputTruncated);
      if (errIx >= 0 && fds[errIx].revents)
        errOpen = drain(errRead.get(), result.errorOutput, options.maxOutputBytes,
                        result.outputTruncated);
    }
    if (waitChild(pid, status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    if (options.timeoutMs != 0 && clock.nowMs() >= deadline) {
      ::kill(pid, SIGKILL);
      result.timedOut = true;
      break;
    }
  }
  if (!exited) waitChild(pid, status, 0);
  // What the child wrote before it ended.
  if (outOpen) drain(outRead.get(), result.output, options.maxOutputBytes, result.outputTruncated);
  if (errOpen)
    drain(errRead.get(), result.errorOutput, options.maxOutputBytes, result.outputTruncated);
  recordStatus(status, result);
  return result;
}

int spawnDetached(const std::vector<std::string>& arguments, const std::string& workingFolder,
                  pid_t& pid) {
  pid = -1;
  if (arguments.empty() || arguments.front().empty()) return EINVAL;

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
  if (int rc = setup.finish(workingFolder); rc != 0) return rc;
  std::vector<char*> argv = argvOf(arguments);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno;
  Fd reportRead(report[0]), reportWrite(report[1]);

  pid_t middle = ::fork();
  if (middle < 0) return errno;
  if (middle == 0) {
    // The intermediate child: a new session, the program, its id back to
    // the caller, and gone, so that the program is nobody's child.
    int32_t message[2] = {0, -1};
    if (::setsid() < 0) {
      message[0] = errno;
    } else {
      pid_t child = -1;
      const std::string& program = arguments.front();
      int rc = program.find('/') == std::string::npos
                   ? posix_spawnp(&child, program.c_str(), &setup.actions, &setup.attr, argv.data(),
                                  environ)
                   : posix_spawn(&child, program.c_str(), &setup.actions, &setup.attr, argv.data(),
                                 environ);
      message[0] = rc;
      message[1] = rc == 0 ? child : -1;
    }
    ssize_t ignored = ::write(reportWrite.get(), message, sizeof message);
    (void)ignored;
    ::_exit(0);
  }
  reportWrite.reset();

  int32_t message[2] = {EIO, -1};
  size_t got = 0;
  while (got < sizeof message) {
    ssize_t n =
        ::read(reportRead.get(), reinterpret_cast<char*>(message) + got, sizeof message - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  int status = 0;
  waitChild(middle, status, 0);
  if (got < sizeof message) return EIO;
  if (message[0] != 0) return message[0];
  pid = message[1];
  return 0;
}

bool processExists(pid_t pid) {
  if (pid <= 0) return false;
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

int killProcess(pid_t pid) {
  if (pid <= 0) return EINVAL;
  return ::kill(pid, SIGKILL) == 0 ? 0 : errno;
}

}  // namespace platform
