#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "app/CBrioCommand.h"

// Hands out request ids ("-1", "-2", ...) and parks a thread while a
// request to the movie waits for its answer. The movie answers under a name
// that is no command, with the request's id as argument 0; the answer
// replaces the waiting command's arguments.
//
// Every wait has an "answered" flag of its own, so a spurious wake-up never
// ends it, and its id is registered before the request is posted, so an
// answer can't come too early. At shutdown every wait, present and future,
// ends with the cancelled answer: the command's arguments become [id] and
// its cancelled flag is set.
class CRequestIdManager {
 public:
  using ArgumentVector = CBrioCommand::ArgumentVector;

  static CRequestIdManager* getInstance();

  // Writes the next id into out; any thread; ids are never reused.
  void getRequestIdToBrio(std::string& out);

  // Sends the command's request name (or its callback name) with args and
  // waits for the answer. True when the movie answered; false when the
  // wait was cancelled or the id is already waiting (logged; nothing sent).
  bool SendRequestAndWait(CBrioCommand* cmd, const ArgumentVector& args);
  bool SendCallbackAndWait(CBrioCommand* cmd, const ArgumentVector& args);
  // Registers the command under its id, runs post (which sends the
  // question; it must not read the command's arguments), then waits.
  bool SendRequestAndWait(CBrioCommand* cmd, const std::function<void()>& post);

  // Main thread: delivers an answer to the command waiting under id; an
  // answer nobody waits for is logged and dropped. Returns true.
  bool NotifyCommand(const std::string& id, const ArgumentVector& args);

  // Whether the movie has asked for command lines; set once.
  bool getBrioState();
  void setBrioStateOK();

  // Shutdown: ends every wait with the cancelled answer, and every later
  // wait at once.
  void cancelAllWaits();
  bool isCancellingWaits() const;

  // Ids waiting, threads inside the wait, and how often a thread has
  // (re-)entered the wait (diagnostics and tests).
  size_t waitingCount() const;
  size_t threadsInWait() const;
  uint64_t waitsEntered() const;
  // Wakes the waiting threads without an answer, as the system may.
  void wakeWaitersForTest();
  // Back to the state at start: counter 1, no waits, no cancelling, Brio
  // state false. No thread may wait meanwhile.
  void resetForTest();

 private:
  struct Waiter;

  CRequestIdManager() = default;
  static void cancel(CBrioCommand* cmd);

  std::map<std::string, Waiter*> m_waitTable;
  mutable std::mutex m_waitMutex;
  std::condition_variable m_cond;
  std::atomic<int32_t> m_nextId{1};
  bool m_cancelling = false;
  size_t m_inWait = 0;
  uint64_t m_waitsEntered = 0;

  std::mutex m_stateMutex;
  bool m_brioState = false;
};
