#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace ulp {

// The application's run loop: the validator's main thread runs it, the
// runtime's frames and the application's posted events arrive through it.
// Tasks run one at a time in the order they were posted, without the lock
// held, so a task may post or terminate.
class RunLoop {
 public:
  using Task = std::function<void()>;

  // The process's loop.
  static RunLoop& shared();

  // Any thread.
  void post(Task task);
  // Runs tasks, waiting for more when there are none, until terminate().
  // Returns at once when the loop was terminated already.
  void run();
  // Runs the tasks queued now and those they post until none is left or the
  // loop is terminated; returns how many ran. For tests.
  size_t runPending();
  // Ends run(); the tasks still queued are dropped.
  void terminate();
  bool isTerminated() const;
  size_t pendingCount() const;
  // A fresh start: no tasks, not terminated.
  void reset();

 private:
  bool next(bool wait, Task& task);

  mutable std::mutex m_mutex;
  std::condition_variable m_cond;
  std::deque<Task> m_queue;
  bool m_terminated = false;
};

}  // namespace ulp
