#include "platform/os/LineReader.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/os/MacStatus.h"

namespace platform {

LineReader::~LineReader() {
  stop();
}

int32_t LineReader::start(int fd, Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_thread.joinable()) return noErr;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return macStatusFromErrno(errno);
  m_wakeRead = pipeFds[0];
  m_wakeWrite = pipeFds[1];
  m_handler = std::move(handler);
  m_thread = std::thread([this, fd] { run(fd); });
  return noErr;
}

void LineReader::stop() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable()) return;
    const char wake = 1;
    // A full pipe already wakes the reader.
    (void)!::write(m_wakeWrite, &wake, 1);
    thread = std::move(m_thread);
  }
  thread.join();
  std::lock_guard<std::mutex> lock(m_mutex);
  ::close(m_wakeRead);
  ::close(m_wakeWrite);
  m_wakeRead = m_wakeWrite = -1;
  m_handler = nullptr;
}

bool LineReader::running() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_thread.joinable();
}

void LineReader::run(int fd) {
  Handler handler;
  int wake;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    handler = m_handler;
    wake = m_wakeRead;
  }
  std::string line;
  bool cut = false;
  char buffer[4096];
  for (;;) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) return;  // stopped: no end reported
    if (fds[0].revents == 0) continue;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        handler(line, false);
        line.clear();
        cut = false;
      } else if (line.size() < kMaxLineBytes) {
        line += c;
      } else {
        cut = true;
      }
    }
  }
  (void)cut;
  if (!line.empty()) handler(line, false);
  handler(std::string(), true);
}

}  // namespace platform
