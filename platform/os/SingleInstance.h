#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace platform {

// One running instance of a program per user. The first process takes an
// exclusive flock on "<name>.lock" in the per-user temporary folder and
// listens on the Unix socket "<name>.sock" beside it; a later process finds
// the lock taken and hands its command line (or documents) to the holder
// over the socket. The kernel drops the lock when the holder ends, however
// it ends, so a stale socket never passes for a running instance.
//
// Wire form, numbers big-endian: "PSI1", the body length (4 bytes), then
// the body: the kind (4 bytes); for a forwarded line its UTF-8 text; for
// documents the count and per path its byte count and UTF-8 bytes.
// Connections from another user are dropped unread.
class SingleInstance {
 public:
  enum class Kind : uint32_t { kForward = 1, kDocuments = 2 };

  struct Message {
    Kind kind = Kind::kForward;
    std::string text;                // kForward
    std::vector<std::string> paths;  // kDocuments
    friend bool operator==(const Message&, const Message&) = default;
  };
  using Handler = std::function<void(const Message&)>;

  // Limits of one message; larger ones are refused by both sides.
  static constexpr uint32_t kMaxBodyBytes = 1u << 20;
  static constexpr uint32_t kMaxPaths = 4096;

  explicit SingleInstance(std::string name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Tries the lock. noErr with first true when this process holds it now,
  // noErr with first false when another process holds it; a status when
  // the lock file can't be made or opened.
  int32_t claim(bool& first);
  bool holdsLock() const { return m_holds; }

  // The holder listens: each message is handed to handler on a thread of
  // the listener's own. A socket left by an earlier holder is replaced.
  int32_t listen(Handler handler);
  bool isListening() const { return m_thread.joinable(); }

  // Stops listening, removes the socket and lets the lock go.
  void release();

  // A process that found the lock taken sends a message to the holder. The
  // holder may still be starting: connecting is retried until timeoutMs
  // pass on the current clock. noErr once the message was handed over;
  // procNotFound when the holder ended meanwhile (nothing was sent),
  // errAETimeout-like statuses otherwise.
  int32_t send(const Message& message, uint32_t timeoutMs);

  std::string lockPath() const;
  std::string socketPath() const;

  // The body of a message and back (false for a malformed body).
  static std::string encode(const Message& message);
  static bool decode(const std::string& body, Message& message);

 private:
  int32_t folder(std::string& path) const;
  // True when nobody holds the lock any more (then this process holds it
  // and lets it go at once).
  bool holderGone();
  void run();
  void serve(int connection);

  std::string m_name;
  int m_lock = -1;
  bool m_holds = false;
  int m_socket = -1;
  int m_wake[2] = {-1, -1};
  std::string m_boundPath;
  Handler m_handler;
  std::thread m_thread;
};

}  // namespace platform
