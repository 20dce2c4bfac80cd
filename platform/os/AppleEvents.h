#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/os/FourCharCode.h"

namespace platform {

// Apple events between the program's processes: each process that takes
// events listens on a Unix socket named after its process id, in a folder
// of mode 0700 below the per-user temporary folder. A connection carries
// one event; when the sender waits, the listener answers with the status
// its handler returned.
//
// Wire form, all numbers big-endian: "AEV1", the body length (4 bytes),
// then the body: class, id, a flag word (1 = a reply is awaited), the
// parameter count, and per parameter its keyword, type, byte count and
// bytes. The reply is "AER1" and a signed 32-bit status.

inline constexpr int32_t connectionInvalid = -609;  // the process takes no events
inline constexpr int32_t errAECorruptData = -1702;
inline constexpr int32_t errAEEventNotHandled = -1708;
inline constexpr int32_t errAETimeout = -1712;

inline constexpr uint32_t typeText = fourCC("TEXT");   // UTF-8 text
inline constexpr uint32_t typeAlias = fourCC("alis");  // a file, as its UTF-8 POSIX path
inline constexpr uint32_t typeAEList = fourCC("list");
inline constexpr uint32_t typeNull = fourCC("null");
inline constexpr uint32_t keyDirectObject = fourCC("----");
inline constexpr uint32_t kCoreEventClass = fourCC("aevt");
inline constexpr uint32_t kAEOpenDocuments = fourCC("odoc");

struct AEDesc {
  uint32_t type = typeNull;
  std::string bytes;
};

struct AppleEvent {
  uint32_t eventClass = 0;
  uint32_t eventId = 0;
  std::vector<std::pair<uint32_t, AEDesc>> params;

  // Sets a parameter, replacing one of the same keyword.
  void put(uint32_t keyword, AEDesc desc);
  const AEDesc* find(uint32_t keyword) const;
};

// A list descriptor's bytes: the count, then per item its type, byte count
// and bytes. decodeList is false for bytes that are not such a list.
std::string encodeList(const std::vector<AEDesc>& items);
[[nodiscard]] bool decodeList(const std::string& bytes, std::vector<AEDesc>& items);

// The bytes of one event as they travel, and back (false for a malformed body).
std::string encodeAppleEvent(const AppleEvent& event, bool wantsReply);
[[nodiscard]] bool decodeAppleEvent(const std::string& body, AppleEvent& event, bool& wantsReply);

// The folder of the sockets, and the socket of one process.
std::string appleEventFolder();
std::string appleEventSocketPath(pid_t pid);

// Sends the event to the process. Without waiting the result is noErr once
// the event was handed over; waiting, it is the status the handler returned,
// or errAETimeout when no reply came within timeoutMs on the current clock.
// procNotFound when no such process exists, connectionInvalid when it takes
// no events.
[[nodiscard]] int32_t sendAppleEvent(pid_t pid, const AppleEvent& event, bool waitReply,
                                     uint32_t timeoutMs);

// Takes the events sent to this process on a thread of its own and hands
// each to the handler, which runs on that thread.
class AppleEventListener {
 public:
  using Handler = std::function<int32_t(const AppleEvent&)>;

  AppleEventListener();
  ~AppleEventListener();
  AppleEventListener(const AppleEventListener&) = delete;
  AppleEventListener& operator=(const AppleEventListener&) = delete;

  // Makes the folder when needed, binds the socket of this process and
  // starts the thread. noErr, or a status (the listener then stays idle).
  [[nodiscard]] int32_t start(Handler handler);
  // Stops taking events and removes the socket. Waits for a handler that
  // is running.
  void stop();
  bool isListening() const { return m_thread.joinable(); }

 private:
  void run();
  void serve(int connection);

  Handler m_handler;
  std::string m_path;
  int m_socket = -1;
  int m_wake[2] = {-1, -1};
  std::thread m_thread;
};

}  // namespace platform
