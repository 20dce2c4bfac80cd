#include "platform/os/MessagePort.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/os/Clock.h"

namespace platform {

namespace {

constexpr char kMagic[] = "AKT1";
constexpr size_t kHeaderBytes = 8;
constexpr char kNamespaceHead[] = "vesko-arbortalk/";
constexpr int kSliceMs = 10;
// Connections read at a time; the rest wait in the kernel's queue.
constexpr size_t kMaxConnections = 64;
constexpr size_t kReadChunk = 64 * 1024;

// The longest name the address holds after its leading NUL.
constexpr size_t kMaxNameBytes = sizeof(sockaddr_un::sun_path) - 1;
// A long name keeps this much of its head, then "~" and 16 hex digits.
constexpr size_t kHashedHead = kMaxNameBytes - 17;

uint64_t fnv1a(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string addressName(const std::string& name) {
  if (name.size() <= kMaxNameBytes) return name;
  static const char kHex[] = "0123456789abcdef";
  std::string out = name.substr(0, kHashedHead);
  out += '~';
  const uint64_t hash = fnv1a(name);
  for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(hash >> shift) & 0xF];
  return out;
}

socklen_t fillAddress(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const std::string text = addressName(name);
  // sun_path[0] stays NUL: the abstract namespace.
  std::memcpy(address.sun_path + 1, text.data(), text.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + text.size());
}

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

bool peerIsSameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
         peer.uid == ::geteuid();
}

// Waits one slice for fd to be ready for events, or for the slice to pass.
void waitSlice(int fd, short events) {
  pollfd p{fd, events, 0};
  (void)::poll(&p, 1, kSliceMs);
}

uint32_t get32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

struct MessagePort::Connection {
  enum class State { Reading, Complete, Broken };

  explicit Connection(int descriptor) : fd(descriptor), startMs(currentClock().nowMs()) {}
  ~Connection() { ::close(fd); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Reads what has arrived, without waiting.
  State read() {
    for (;;) {
      const bool inHeader = headerGot < kHeaderBytes;
      if (!inHeader && bodyGot == length) return State::Complete;
      // The body grows with what arrives, not with what the header claims.
      if (!inHeader && bodyGot == body.size())
        body.resize(bodyGot + std::min<size_t>(length - bodyGot, kReadChunk));
      char* into = inHeader ? reinterpret_cast<char*>(header) + headerGot : body.data() + bodyGot;
      const size_t room = inHeader ? kHeaderBytes - headerGot : body.size() - bodyGot;
      const ssize_t n = ::recv(fd, into, room, 0);
      if (n == 0) return State::Broken;
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? State::Reading : State::Broken;
      }
      if (!inHeader) {
        bodyGot += static_cast<size_t>(n);
        continue;
      }
      headerGot += static_cast<size_t>(n);
      if (headerGot < kHeaderBytes) continue;
      if (std::memcmp(header, kMagic, 4) != 0) return State::Broken;
      length = get32(header + 4);
      if (length > kMessagePortMaxBytes) return State::Broken;
    }
  }

  int fd;
  uint64_t startMs;
  unsigned char header[kHeaderBytes] = {};
  size_t headerGot = 0;
  uint32_t length = 0;
  std::string body;
  size_t bodyGot = 0;
};

std::string messagePortNamespace() {
  return kNamespaceHead + std::to_string(::geteuid()) + "/";
}

std::string messagePortAddress(const std::string& name) {
  sockaddr_un address;
  const socklen_t size = fillAddress(name, address);
  return std::string(address.sun_path, size - offsetof(sockaddr_un, sun_path));
}

MessagePort::MessagePort() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

MessagePort::~MessagePort() {
  close();
  if (m_wakeFd >= 0) ::close(m_wakeFd);
}

int MessagePort::open(const std::string& name) {
  close();
  if (name.empty()) return EINVAL;
  sockaddr_un address;
  const socklen_t size = fillAddress(name, address);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return errno;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
      ::listen(fd, kMessagePortBacklog) != 0) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  m_socket = fd;
  m_name = name;
  return 0;
}

void MessagePort::close() {
  dropConnections();
  if (m_socket >= 0) ::close(m_socket);
  m_socket = -1;
  m_name.clear();
}

void MessagePort::dropConnections() {
  std::lock_guard<std::mutex> guard(m_connectionsMutex);
  for (Connection* connection : m_connections) delete connection;
  m_connections.clear();
}

size_t MessagePort::collect(std::vector<std::string>& messages) {
  if (m_socket < 0) return 0;
  std::lock_guard<std::mutex> guard(m_connectionsMutex);
  while (m_connections.size() < kMaxConnections) {
    const int fd = ::accept4(m_socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      break;
    }
    // Another user may reach the name; what it sends is never read.
    if (!peerIsSameUser(fd)) {
      ::close(fd);
      continue;
    }
    m_connections.push_back(new Connection(fd));
  }

  const uint64_t now = currentClock().nowMs();
  size_t appended = 0;
  size_t kept = 0;
  for (Connection* connection : m_connections) {
    const Connection::State state = connection->read();
    if (state == Connection::State::Complete) {
      messages.push_back(std::move(connection->body));
      ++appended;
      delete connection;
    } else if (state == Connection::State::Broken ||
               now - connection->startMs > kMessagePortSendTimeoutMs) {
      delete connection;
    } else {
      m_connections[kept++] = connection;
    }
  }
  m_connections.resize(kept);
  return appended;
}

void MessagePort::wake() {
  if (m_wakeFd < 0) return;
  const uint64_t one = 1;
  // A full counter already wakes the waiter.
  (void)!::write(m_wakeFd, &one, sizeof one);
}

bool MessagePort::pollOnce(int ms) {
  std::vector<pollfd> watched;
  if (m_wakeFd >= 0) watched.push_back({m_wakeFd, POLLIN, 0});
  {
    std::lock_guard<std::mutex> guard(m_connectionsMutex);
    // With no room for more connections, waiting ones must not wake the
    // owner again and again: it takes them once some have finished.
    if (m_socket >= 0 && m_connections.size() < kMaxConnections)
      watched.push_back({m_socket, POLLIN, 0});
    for (const Connection* connection : m_connections)
      watched.push_back({connection->fd, POLLIN, 0});
  }
  // A descriptor that collect() closes meanwhile wakes nobody; the time-out
  // still ends the wait.
  const int ready = ::poll(watched.data(), watched.size(), ms);
  if (ready <= 0) return false;
  if (m_wakeFd >= 0 && watched[0].revents != 0) {
    uint64_t count = 0;
    (void)!::read(m_wakeFd, &count, sizeof count);
  }
  return true;
}

bool MessagePort::waitForDelivery(uint32_t timeoutMs) {
  Clock& clock = currentClock();
  // The system clock's time passes in poll(2) itself; a test's clock is
  // looked at between short real slices.
  const bool systemTime = &clock == &systemClock();
  const uint64_t deadline = clock.nowMs() + timeoutMs;
  for (;;) {
    const uint64_t now = clock.nowMs();
    if (now >= deadline) return false;
    const uint64_t left = deadline - now;
    const uint64_t slice = systemTime ? left : std::min<uint64_t>(left, kSliceMs);
    if (pollOnce(static_cast<int>(std::min<uint64_t>(slice, 1u << 30)))) return true;
  }
}

bool MessagePort::pauseForDelivery(uint32_t timeoutMs) {
  Clock& clock = currentClock();
  if (&clock == &systemClock()) return waitForDelivery(timeoutMs);
  if (pollOnce(0)) return true;
  clock.sleepFor(timeoutMs);
  return pollOnce(0);
}

int MessagePort::send(const std::string& name, const void* data, size_t size, uint32_t timeoutMs) {
  if (name.empty()) return EINVAL;
  if (size > kMessagePortMaxBytes) return EMSGSIZE;
  sockaddr_un address;
  const socklen_t addressSize = fillAddress(name, address);
  // The time-out runs on the current clock; counting the slices waited
  // bounds it in real time as well, also under a clock that stands still.
  Clock& clock = currentClock();
  const uint64_t deadline = clock.nowMs() + timeoutMs;
  uint64_t waitedMs = 0;
  auto timedOut = [&] { return clock.nowMs() >= deadline || waitedMs >= timeoutMs; };

  Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (fd.get() < 0) return errno;
  for (;;) {
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), addressSize) == 0) break;
    const int err = errno;
    if (err == EINTR) continue;
    // The owner's queue of connections is full: it is not collecting.
    if (err != EAGAIN) return err == ENOENT ? ECONNREFUSED : err;
    if (timedOut()) return ETIMEDOUT;
    waitSlice(-1, 0);
    waitedMs += kSliceMs;
  }
  if (!peerIsSameUser(fd.get())) return EACCES;

  unsigned char header[kHeaderBytes];
  std::memcpy(header, kMagic, 4);
  const uint32_t length = static_cast<uint32_t>(size);
  header[4] = static_cast<unsigned char>(length >> 24);
  header[5] = static_cast<unsigned char>(length >> 16);
  header[6] = static_cast<unsigned char>(length >> 8);
  header[7] = static_cast<unsigned char>(length);

  // The caller's bytes go out as they lie, behind the header.
  const char* parts[2] = {reinterpret_cast<const char*>(header), static_cast<const char*>(data)};
  size_t left[2] = {kHeaderBytes, size};
  while (left[0] + left[1] > 0) {
    iovec pieces[2];
    int count = 0;
    for (int i = 0; i < 2; ++i) {
      if (left[i] == 0) continue;
      pieces[count].iov_base = const_cast<char*>(parts[i]);
      pieces[count].iov_len = left[i];
      ++count;
    }
    msghdr message{};
    message.msg_iov = pieces;
    message.msg_iovlen = static_cast<size_t>(count);
    const ssize_t n = ::sendmsg(fd.get(), &message, MSG_NOSIGNAL);
    if (n > 0) {
      size_t sent = static_cast<size_t>(n);
      for (int i = 0; i < 2; ++i) {
        const size_t step = sent < left[i] ? sent : left[i];
        parts[i] += step;
        left[i] -= step;
        sent -= step;
      }
      continue;
    }
    const int err = n < 0 ? errno : EIO;
    if (err == EINTR) continue;
    if (err != EAGAIN && err != EWOULDBLOCK) return err;
    if (timedOut()) return ETIMEDOUT;
    waitSlice(fd.get(), POLLOUT);
    waitedMs += kSliceMs;
  }
  return 0;
}

}  // namespace platform
