#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/CBrioCommand.h"
#include "app/CommandExecutor.h"

// The worker: a queue of owned commands under a mutex and a condition, and
// the thread that runs them. It stops cooperatively: stop() lets no further
// command start, drops the queue and ends every wait for the movie with the
// cancelled answer; the running command finishes (or rolls back) on its
// own.
class CommandExecutor_Impl final : public CommandExecutor {
 public:
  // The worker's first job; the program's is CommandExecutor::init.
  using InitJob = std::function<bool()>;
  // Runs on the worker thread as it ends, after hasEnded() turned true.
  using EndedHandler = std::function<void()>;

  explicit CommandExecutor_Impl(InitJob init = &CommandExecutor::init);
  // Stops the worker and joins it.
  ~CommandExecutor_Impl() override;

  bool start() override;
  void postMessage(std::unique_ptr<CBrioCommand> cmd) override;
  void postMessageToMainThread(std::unique_ptr<request_t> request) override;
  bool getThreadID(std::thread::id* out) override;

  // Before start().
  void setEndedHandler(EndedHandler handler) { m_endedHandler = std::move(handler); }

  void stop();
  // Whether the worker has ended, and whether that was because its first
  // job failed (not because it was stopped).
  bool hasEnded() const;
  bool initFailed() const;
  // Waits up to boundMs on the current clock for the worker to end, then
  // joins it; false when it has not ended by then.
  bool waitForEnd(uint32_t boundMs);
  size_t queuedCount() const;

 private:
  void run();

  InitJob m_init;
  EndedHandler m_endedHandler;
  mutable std::mutex m_mutex;
  std::condition_variable m_cond;
  std::deque<std::unique_ptr<CBrioCommand>> m_queue;
  std::thread m_thread;
  bool m_started = false;
  bool m_stopping = false;
  bool m_ended = false;
  bool m_initFailed = false;
};
