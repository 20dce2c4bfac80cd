#include "platform/os/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/os/AppleEvents.h"
#include "platform/os/Applications.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/SpecialFolders.h"

namespace platform {

namespace {

constexpr char kMagic[] = "PSI1";
constexpr int kSliceMs = 20;
// How long the holder gives a sender to deliver its message.
constexpr uint32_t kTransferLimitMs = 10000;

void put32(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

bool get32(const std::string& bytes, size_t& pos, uint32_t& v) {
  if (bytes.size() - pos < 4) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + pos);
  v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  pos += 4;
  return true;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

// Waits until fd is ready or the clock passes the deadline.
bool waitReady(int fd, short events, uint64_t deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, kSliceMs);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return true;  // the next call reports it
    if (currentClock().nowMs() >= deadline) return false;
  }
}

// 0, or the errno of the failure (ETIMEDOUT past the deadline).
int sendAll(int fd, const std::string& bytes, uint64_t deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitReady(fd, POLLOUT, deadline)) return ETIMEDOUT;
    } else {
      return n < 0 ? errno : EIO;
    }
  }
  return 0;
}

// 0, ECONNRESET at a premature end, or the errno of the failure.
int recvAll(int fd, char* into, size_t size, uint64_t deadline) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::recv(fd, into + done, size - done, 0);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n == 0) {
      return ECONNRESET;
    } else if (errno == EINTR) {
      continue;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!waitReady(fd, POLLIN, deadline)) return ETIMEDOUT;
    } else {
      return errno;
    }
  }
  return 0;
}

bool fillAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string name) : m_name(std::move(name)) {}

SingleInstance::~SingleInstance() {
  release();
}

int32_t SingleInstance::folder(std::string& path) const {
  return findSpecialFolder(SpecialFolder::TemporaryItems, true, path);
}

std::string SingleInstance::lockPath() const {
  std::string path;
  return folder(path) == noErr ? path + "/" + m_name + ".lock" : std::string();
}

std::string SingleInstance::socketPath() const {
  std::string path;
  return folder(path) == noErr ? path + "/" + m_name + ".sock" : std::string();
}

int32_t SingleInstance::claim(bool& first) {
  first = false;
  if (m_holds) {
    first = true;
    return noErr;
  }
  if (m_lock < 0) {
    std::string path;
    if (int32_t rc = folder(path); rc != noErr) return rc;
    path += "/" + m_name + ".lock";
    // Never through a link: the folder is ours, the file must be too.
    if (int rc = fileSystem().open(path, O_RDWR | O_CREAT | O_NOFOLLOW, 0600, m_lock); rc != 0) {
      m_lock = -1;
      return macStatusFromErrno(rc);
    }
  }
  for (;;) {
    if (::flock(m_lock, LOCK_EX | LOCK_NB) == 0) {
      m_holds = true;
      first = true;
      return noErr;
    }
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return noErr;
    return macStatusFromErrno(errno);
  }
}

bool SingleInstance::holderGone() {
  if (m_lock < 0 || m_holds) return false;
  if (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) return false;
  ::flock(m_lock, LOCK_UN);
  return true;
}

int32_t SingleInstance::listen(Handler handler) {
  if (!m_holds || isListening()) return paramErr;
  const std::string path = socketPath();
  sockaddr_un address;
  if (path.empty() || !fillAddress(path, address)) return bdNamErr;
  // Whatever lies there belongs to an earlier holder: the lock is ours.
  if (int rc = fileSystem().unlink(path); rc != 0 && rc != ENOENT) return macStatusFromErrno(rc);

  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return macStatusFromErrno(errno);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0) {
    const int err = errno;
    ::close(fd);
    return macStatusFromErrno(err);
  }
  if (::pipe2(m_wake, O_CLOEXEC) != 0) {
    const int err = errno;
    ::close(fd);
    (void)fileSystem().unlink(path);  // nothing listens on it
    return macStatusFromErrno(err);
  }
  m_socket = fd;
  m_boundPath = path;
  m_handler = std::move(handler);
  m_thread = std::thread(&SingleInstance::run, this);
  return noErr;
}

void SingleInstance::release() {
  if (m_thread.joinable()) {
    const char byte = 1;
    const ssize_t written = ::write(m_wake[1], &byte, 1);
    (void)written;  // the pipe is empty: the byte fits
    m_thread.join();
    ::close(m_socket);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
    m_socket = m_wake[0] = m_wake[1] = -1;
    // The next holder replaces the socket anyway.
    (void)fileSystem().unlink(m_boundPath);
    m_boundPath.clear();
  }
  if (m_lock >= 0) {
    ::close(m_lock);  // lets the lock go
    m_lock = -1;
  }
  m_holds = false;
}

std::string SingleInstance::encode(const Message& message) {
  std::string body;
  put32(body, static_cast<uint32_t>(message.kind));
  if (message.kind == Kind::kForward) {
    body += message.text;
  } else {
    put32(body, static_cast<uint32_t>(message.paths.size()));
    for (const std::string& path : message.paths) {
      put32(body, static_cast<uint32_t>(path.size()));
      body += path;
    }
  }
  return body;
}

bool SingleInstance::decode(const std::string& body, Message& message) {
  message = Message();
  size_t pos = 0;
  uint32_t kind = 0;
  if (body.size() > kMaxBodyBytes || !get32(body, pos, kind)) return false;
  if (kind == static_cast<uint32_t>(Kind::kForward)) {
    message.kind = Kind::kForward;
    message.text = body.substr(pos);
    return true;
  }
  if (kind != static_cast<uint32_t>(Kind::kDocuments)) return false;
  message.kind = Kind::kDocuments;
  uint32_t count = 0;
  if (!get32(body, pos, count) || count > kMaxPaths) return false;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t size = 0;
    if (!get32(body, pos, size) || body.size() - pos < size) return false;
    message.paths.push_back(body.substr(pos, size));
    pos += size;
  }
  return pos == body.size();
}

int32_t SingleInstance::send(const Message& message, uint32_t timeoutMs) {
  const std::string body = encode(message);
  if (body.size() > kMaxBodyBytes) return paramErr;
  sockaddr_un address;
  if (!fillAddress(socketPath(), address)) return bdNamErr;
  const uint64_t deadline = currentClock().nowMs() + timeoutMs;

  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return macStatusFromErrno(errno);
  for (;;) {
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
      break;
    const int err = errno;
    if (err == EINTR) continue;
    if (err != EAGAIN && err != ENOENT && err != ECONNREFUSED) return macStatusFromErrno(err);
    // Not listening yet, or its queue is full: try again while it runs.
    if (holderGone()) return procNotFound;
    if (currentClock().nowMs() >= deadline) return errAETimeout;
    pollfd none{-1, 0, 0};
    ::poll(&none, 1, kSliceMs);
  }
  // The socket's folder is private, but the peer must be this user still.
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::geteuid())
    return afpAccessDenied;

  std::string wire(kMagic, 4);
  put32(wire, static_cast<uint32_t>(body.size()));
  wire += body;
  if (int rc = sendAll(fd.get(), wire, deadline); rc != 0)
    return rc == ETIMEDOUT ? errAETimeout : connectionInvalid;
  return noErr;
}

void SingleInstance::run() {
  for (;;) {
    pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents) {
      const int connection = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (connection >= 0) serve(connection);
    }
  }
}

void SingleInstance::serve(int connection) {
  Fd fd(connection);
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
      peer.uid != ::geteuid())
    return;
  const uint64_t deadline = currentClock().nowMs() + kTransferLimitMs;
  char header[8];
  if (recvAll(connection, header, sizeof header, deadline) != 0) return;
  if (std::memcmp(header, kMagic, 4) != 0) return;
  const std::string lengthBytes(header + 4, 4);
  size_t pos = 0;
  uint32_t length = 0;
  get32(lengthBytes, pos, length);
  if (length > kMaxBodyBytes) return;
  std::string body(length, '\0');
  if (length != 0 && recvAll(connection, body.data(), length, deadline) != 0) return;
  Message message;
  if (!decode(body, message)) return;
  if (m_handler) m_handler(message);
}

}  // namespace platform
