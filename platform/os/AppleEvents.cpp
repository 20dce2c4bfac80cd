#include "platform/os/AppleEvents.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/os/Applications.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"

namespace platform {

namespace {

constexpr char kEventMagic[] = "AEV1";
constexpr char kReplyMagic[] = "AER1";
constexpr size_t kMagicLength = sizeof kEventMagic - 1;
// A message starts with its magic and a 32-bit count: the body's length, or
// the reply's status.
constexpr size_t kHeaderLength = kMagicLength + 4;
// Connections that may wait for the listener at once.
constexpr int kListenBacklog = 16;
constexpr uint32_t kMaxBody = 16u << 20;
constexpr uint32_t kMaxParams = 4096;
constexpr int kSliceMs = 20;
// How long a listener gives a sender to deliver its event, and the limit
// of a send that names none.
constexpr uint32_t kTransferLimitMs = 10000;
constexpr uint32_t kDefaultTimeoutMs = 60000;

void put32(std::string& out, uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

class ByteReader {
 public:
  explicit ByteReader(const std::string& bytes) : m_bytes(bytes) {}
  bool get32(uint32_t& v) {
    if (m_bytes.size() - m_pos < 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + m_pos);
    v = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    m_pos += 4;
    return true;
  }
  bool getBytes(uint32_t n, std::string& out) {
    if (m_bytes.size() - m_pos < n) return false;
    out.assign(m_bytes, m_pos, n);
    m_pos += n;
    return true;
  }
  bool atEnd() const { return m_pos == m_bytes.size(); }

 private:
  const std::string& m_bytes;
  size_t m_pos = 0;
};

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

// Waits until fd is ready for `events` or the clock passes the deadline.
bool waitReady(int fd, short events, uint64_t deadline) {
  Clock& clock = currentClock();
  for (;;) {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, kSliceMs);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return true;  // let the next call report it
    if (clock.nowMs() >= deadline) return false;
  }
}

// 0, ETIMEDOUT, or the errno of the failure.
int sendAll(int fd, const std::string& bytes, uint64_t deadline) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
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

// 0, ETIMEDOUT, ECONNRESET at a premature end, or the errno of the failure.
int recvAll(int fd, char* into, size_t size, uint64_t deadline) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::recv(fd, into + done, size - done, 0);
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

// Makes the folder (mode 0700) or checks that an existing one is the user's
// own and closed to others.
int32_t ensurePrivateFolder(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return macStatusFromErrno(errno);
    int rc = fileSystem().mkdir(path, 0700);
    if (rc != 0 && rc != EEXIST) return macStatusFromErrno(rc);
    if (::lstat(path.c_str(), &st) != 0) return macStatusFromErrno(errno);
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return afpAccessDenied;
  if ((st.st_mode & 07777) != 0700) {
    int rc = fileSystem().chmod(path, 0700);
    if (rc != 0) return macStatusFromErrno(rc);
  }
  return noErr;
}

}  // namespace

void AppleEvent::put(uint32_t keyword, AEDesc desc) {
  for (auto& param : params) {
    if (param.first == keyword) {
      param.second = std::move(desc);
      return;
    }
  }
  params.emplace_back(keyword, std::move(desc));
}

const AEDesc* AppleEvent::find(uint32_t keyword) const {
  for (const auto& param : params)
    if (param.first == keyword) return &param.second;
  return nullptr;
}

std::string encodeList(const std::vector<AEDesc>& items) {
  std::string out;
  put32(out, static_cast<uint32_t>(items.size()));
  for (const auto& item : items) {
    put32(out, item.type);
    put32(out, static_cast<uint32_t>(item.bytes.size()));
    out += item.bytes;
  }
  return out;
}

bool decodeList(const std::string& bytes, std::vector<AEDesc>& items) {
  items.clear();
  ByteReader in(bytes);
  uint32_t count = 0;
  if (!in.get32(count) || count > kMaxParams) return false;
  for (uint32_t i = 0; i < count; ++i) {
    AEDesc item;
    uint32_t size = 0;
    if (!in.get32(item.type) || !in.get32(size) || !in.getBytes(size, item.bytes)) return false;
    items.push_back(std::move(item));
  }
  return in.atEnd();
}

std::string encodeAppleEvent(const AppleEvent& event, bool wantsReply) {
  std::string body;
  put32(body, event.eventClass);
  put32(body, event.eventId);
  put32(body, wantsReply ? 1u : 0u);
  put32(body, static_cast<uint32_t>(event.params.size()));
  for (const auto& [keyword, desc] : event.params) {
    put32(body, keyword);
    put32(body, desc.type);
    put32(body, static_cast<uint32_t>(desc.bytes.size()));
    body += desc.bytes;
  }
  return body;
}

bool decodeAppleEvent(const std::string& body, AppleEvent& event, bool& wantsReply) {
  event = AppleEvent();
  ByteReader in(body);
  uint32_t flags = 0, count = 0;
  if (!in.get32(event.eventClass) || !in.get32(event.eventId) || !in.get32(flags) ||
      !in.get32(count) || count > kMaxParams)
    return false;
  wantsReply = (flags & 1u) != 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t keyword = 0, size = 0;
    AEDesc desc;
    if (!in.get32(keyword) || !in.get32(desc.type) || !in.get32(size) ||
        !in.getBytes(size, desc.bytes))
      return false;
    event.params.emplace_back(keyword, std::move(desc));
  }
  return in.atEnd();
}

std::string appleEventFolder() {
  return PlatformConfig::current().tempRootFolder() + "/events";
}

std::string appleEventSocketPath(pid_t pid) {
  return appleEventFolder() + "/" + std::to_string(pid);
}

int32_t sendAppleEvent(pid_t pid, const AppleEvent& event, bool waitReply, uint32_t timeoutMs) {
  if (pid <= 0) return procNotFound;
  if (!processExists(pid)) return procNotFound;
  sockaddr_un address;
  if (!fillAddress(appleEventSocketPath(pid), address)) return bdNamErr;

  Clock& clock = currentClock();
  uint32_t limit = timeoutMs != 0 ? timeoutMs : (waitReply ? kDefaultTimeoutMs : kTransferLimitMs);
  const uint64_t deadline = clock.nowMs() + limit;

  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return macStatusFromErrno(errno);
  for (;;) {
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
      break;
    if (errno == EINTR) continue;
    if (errno == EAGAIN) {
      // The listener's queue is full: try again until the deadline.
      if (clock.nowMs() >= deadline) return errAETimeout;
      pollfd none{-1, 0, 0};
      ::poll(&none, 1, kSliceMs);
      continue;
    }
    if (errno == ENOENT || errno == ECONNREFUSED)
      return processExists(pid) ? connectionInvalid : procNotFound;
    return macStatusFromErrno(errno);
  }

  std::string body = encodeAppleEvent(event, waitReply);
  if (body.size() > kMaxBody) return paramErr;
  std::string message(kEventMagic, kMagicLength);
  put32(message, static_cast<uint32_t>(body.size()));
  message += body;
  if (int rc = sendAll(fd.get(), message, deadline); rc != 0)
    return rc == ETIMEDOUT ? errAETimeout : connectionInvalid;
  if (!waitReply) return noErr;

  char reply[kHeaderLength];
  if (int rc = recvAll(fd.get(), reply, sizeof reply, deadline); rc != 0)
    return rc == ETIMEDOUT ? errAETimeout : connectionInvalid;
  if (std::memcmp(reply, kReplyMagic, kMagicLength) != 0) return errAECorruptData;
  std::string statusBytes(reply + kMagicLength, kHeaderLength - kMagicLength);
  ByteReader in(statusBytes);
  uint32_t status = 0;
  in.get32(status);
  return static_cast<int32_t>(status);
}

AppleEventListener::AppleEventListener() = default;

AppleEventListener::~AppleEventListener() {
  stop();
}

int32_t AppleEventListener::start(Handler handler) {
  if (isListening()) return paramErr;
  std::string root = PlatformConfig::current().tempRootFolder();
  if (int32_t rc = ensurePrivateFolder(root); rc != noErr) return rc;
  if (int32_t rc = ensurePrivateFolder(appleEventFolder()); rc != noErr) return rc;

  std::string path = appleEventSocketPath(::getpid());
  sockaddr_un address;
  if (!fillAddress(path, address)) return bdNamErr;
  // A socket left by an earlier process of the same id.
  int rc = fileSystem().unlink(path);
  if (rc != 0 && rc != ENOENT) return macStatusFromErrno(rc);

  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return macStatusFromErrno(errno);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, kListenBacklog) != 0) {
    int err = errno;
    ::close(fd);
    return macStatusFromErrno(err);
  }
  if (::pipe2(m_wake, O_CLOEXEC) != 0) {
    int err = errno;
    ::close(fd);
    // The failure is what the caller hears; a stale socket is replaced by
    // the next listener.
    (void)fileSystem().unlink(path);
    return macStatusFromErrno(err);
  }
  m_socket = fd;
  m_path = path;
  m_handler = std::move(handler);
  m_thread = std::thread(&AppleEventListener::run, this);
  return noErr;
}

void AppleEventListener::stop() {
  if (!m_thread.joinable()) return;
  char byte = 1;
  ssize_t ignored = ::write(m_wake[1], &byte, 1);
  (void)ignored;
  m_thread.join();
  ::close(m_socket);
  ::close(m_wake[0]);
  ::close(m_wake[1]);
  m_socket = m_wake[0] = m_wake[1] = -1;
  // A stale socket is replaced by the next listener.
  (void)fileSystem().unlink(m_path);
  m_path.clear();
}

void AppleEventListener::run() {
  for (;;) {
    pollfd fds[2] = {{m_socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
    int r = ::poll(fds, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents) {
      int connection = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (connection >= 0) serve(connection);
    }
  }
}

void AppleEventListener::serve(int connection) {
  Fd fd(connection);
  ucred peer{};
  socklen_t size = sizeof peer;
  // Events from another user are dropped unread.
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
      peer.uid != ::geteuid())
    return;
  const uint64_t deadline = currentClock().nowMs() + kTransferLimitMs;
  char header[kHeaderLength];
  if (recvAll(connection, header, sizeof header, deadline) != 0) return;
  if (std::memcmp(header, kEventMagic, kMagicLength) != 0) return;
  std::string lengthBytes(header + kMagicLength, kHeaderLength - kMagicLength);
  ByteReader lengthReader(lengthBytes);
  uint32_t length = 0;
  lengthReader.get32(length);
  if (length > kMaxBody) return;
  std::string body(length, '\0');
  if (length != 0 && recvAll(connection, body.data(), length, deadline) != 0) return;

  AppleEvent event;
  bool wantsReply = false;
  int32_t status = errAECorruptData;
  bool wellFormed = decodeAppleEvent(body, event, wantsReply);
  if (wellFormed) {
    try {
      status = m_handler ? m_handler(event) : errAEEventNotHandled;
    } catch (...) {
      status = errAEEventNotHandled;
    }
  }
  if (!wantsReply && wellFormed) return;
  std::string reply(kReplyMagic, kMagicLength);
  put32(reply, static_cast<uint32_t>(status));
  sendAll(connection, reply, currentClock().nowMs() + kTransferLimitMs);
}

}  // namespace platform
