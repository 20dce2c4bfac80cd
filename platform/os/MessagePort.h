#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// Named message ports between the processes of one user: Unix stream sockets
// in the abstract namespace. A port name is the text of the address after its
// leading NUL; a name too long for the address keeps its head and gets a hash
// of the whole name as its tail. Binding is exclusive, and the kernel frees a
// name as soon as its owner closes it or dies.
//
// Each message travels on a connection of its own: "AKT1", the length of the
// bytes (4 bytes, big-endian) and the bytes. The owner takes connections and
// bytes only when asked (collect), never on a thread of its own; connections
// from another user are closed unread, and a sender never hands its bytes to
// a port that another user owns.

// The longest message a port takes.
inline constexpr uint32_t kMessagePortMaxBytes = 16u << 20;
// How long a send waits, by default, for the owner to make room.
inline constexpr uint32_t kMessagePortSendTimeoutMs = 10000;
// Connections the kernel keeps for an owner that is not collecting; a sender
// beyond them waits.
inline constexpr int kMessagePortBacklog = 16;

// The part of a port name that keeps each user's ports apart:
// "vesko-arbortalk/<effective uid>/".
std::string messagePortNamespace();

// The bytes of the socket address that a port name gives, the leading NUL
// included (tests reach ports through them).
std::string messagePortAddress(const std::string& name);

class MessagePort {
 public:
  MessagePort();
  ~MessagePort();
  MessagePort(const MessagePort&) = delete;
  MessagePort& operator=(const MessagePort&) = delete;

  // Takes the name for this port (a port that owns one gives it up first):
  // 0, EADDRINUSE when another port, in this process or another, owns it,
  // EINVAL for an empty name, else the errno of the failure.
  int open(const std::string& name);
  // Gives the name up; connections not yet read are dropped.
  void close();
  bool isOpen() const { return m_socket >= 0; }
  const std::string& name() const { return m_name; }

  // Never waits: takes the connections waiting for the port, reads what has
  // arrived on them and appends every message now complete to messages, in
  // the order of the connections. A connection that breaks off, sends a frame
  // that is not one or longer than kMessagePortMaxBytes, or stays unfinished
  // for longer than kMessagePortSendTimeoutMs is closed and its bytes are
  // dropped. Returns how many messages were appended.
  size_t collect(std::vector<std::string>& messages);

  // Sends one message to the owner of the name, waiting at most timeoutMs on
  // the current clock for it to make room. 0 once the bytes are handed over;
  // ECONNREFUSED at once when nobody owns the name; EACCES when another user
  // owns it; ETIMEDOUT; EMSGSIZE beyond kMessagePortMaxBytes; EINVAL for an
  // empty name; else the errno of the failure.
  static int send(const std::string& name, const void* data, size_t size, uint32_t timeoutMs);

  // Waits until something waits to be collected (a connection, or bytes on
  // one taken earlier), wake() is called, or the current clock reaches
  // timeoutMs from now: the system clock moves by itself, a test's clock when
  // some thread advances it. False when the time ran out. Call it from one
  // thread at a time; it may run beside collect() on another.
  bool waitForDelivery(uint32_t timeoutMs);
  // As the current clock's sleepFor(timeoutMs), but ends as soon as
  // something waits to be collected or wake() is called: a test's clock is
  // advanced at once when nothing waits. True when it ended early.
  bool pauseForDelivery(uint32_t timeoutMs);
  // Ends the wait in progress early, or else the next one. Any thread.
  void wake();

 private:
  struct Connection;
  void dropConnections();
  // One poll(2) of the wake-up and the port for at most ms real
  // milliseconds; true when either is ready.
  bool pollOnce(int ms);

  // An eventfd, for the life of the object; -1 when none could be had.
  int m_wakeFd = -1;
  // Guards m_connections, which a wait reads beside collect().
  std::mutex m_connectionsMutex;
  int m_socket = -1;
  std::string m_name;
  std::vector<Connection*> m_connections;
};

}  // namespace platform
