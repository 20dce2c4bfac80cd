#include "platform/os/TerminationSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/os/MacStatus.h"

namespace platform {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};
constexpr int kStatusBase = 128;
// The byte that stops the thread; a signal travels as its number.
constexpr char kStopByte = 0;

// What the signal handler touches: lock-free atomics and a descriptor.
std::atomic<int> g_received{0};
std::atomic<int> g_writeEnd{-1};

struct State {
  std::mutex mutex;
  std::thread thread;
  int pipe[2] = {-1, -1};
  TerminationSignals::Handler handler;
};

State& state() {
  static State* s = new State;  // the handler may run while the process ends
  return *s;
}

extern "C" void onTerminationSignal(int signal) {
  if (g_received.fetch_add(1) > 0) ::_exit(kStatusBase + signal);
  const int saved = errno;
  const char byte = static_cast<char>(signal);
  const int fd = g_writeEnd.load();
  if (fd >= 0) {
    const ssize_t written = ::write(fd, &byte, 1);
    (void)written;  // a full pipe already carries a wake-up
  }
  errno = saved;
}

void watch(int readEnd, TerminationSignals::Handler handler) {
  for (;;) {
    pollfd p{readEnd, POLLIN, 0};
    if (::poll(&p, 1, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    char byte = kStopByte;
    const ssize_t n = ::read(readEnd, &byte, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0 || byte == kStopByte) return;
    if (handler) handler(static_cast<unsigned char>(byte));
  }
}

void stopLocked(State& s) {
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
  g_writeEnd = -1;
  if (s.thread.joinable()) {
    const char byte = kStopByte;
    const ssize_t written = ::write(s.pipe[1], &byte, 1);
    (void)written;  // the thread also ends when the pipe closes
    s.thread.join();
  }
  for (int& fd : s.pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace

int32_t TerminationSignals::install(Handler handler) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  stopLocked(s);
  if (::pipe2(s.pipe, O_CLOEXEC | O_NONBLOCK) != 0) return macStatusFromErrno(errno);
  g_received = 0;
  g_writeEnd = s.pipe[1];
  s.thread = std::thread(watch, s.pipe[0], std::move(handler));
  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) {
    if (::sigaction(signal, &action, nullptr) != 0) {
      const int err = errno;
      stopLocked(s);
      return macStatusFromErrno(err);
    }
  }
  return noErr;
}

void TerminationSignals::uninstall() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mutex);
  stopLocked(s);
}

void exitNow(int status) {
  ::_exit(status);
}

}  // namespace platform
