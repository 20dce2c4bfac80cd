#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace tamb {

// The application's event loop: a queue of tasks that any thread may post
// to and one thread (the main thread) runs. Tasks run in the order they were
// posted, one at a time, without the queue's lock held, so a task may post,
// quit or run a nested loop.
class MainLoop {
 public:
  using Task = std::function<void()>;

  MainLoop() = default;
  ~MainLoop() = default;
  MainLoop(const MainLoop&) = delete;
  MainLoop& operator=(const MainLoop&) = delete;

  // The program's loop; it exists from the first call to the end of the
  // process.
  static MainLoop& main();

  // Any thread. A null task only wakes the loop.
  void post(Task task);

  // Runs tasks until quit() ends this level or quitAll() ends every level.
  // A task may call run() again: the nested level runs until it is quit,
  // then the outer level goes on.
  void run();
  // Ends the innermost running level. When no level runs, the next run()
  // returns at once.
  void quit();
  // Ends every running level (or, when none runs, the next run()).
  void quitAll();

  // Runs tasks like a nested level until done() holds, the level is quit,
  // or boundMs pass on the current clock; returns done(). done() is checked
  // before each task: whoever makes it true from another thread must post
  // to the loop or call wake().
  bool runUntil(const std::function<bool()>& done, uint32_t boundMs);
  // Runs the tasks queued now and those they post, until the queue is
  // empty; returns how many ran.
  size_t runPending();
  // Lets a waiting runUntil() look at its condition again.
  void wake();

  // Running levels, and tasks waiting.
  size_t depth() const;
  size_t pendingCount() const;

 private:
  class Level;
  // Takes the next task for the level; false when the level must end (or,
  // with a deadline, when it passed).
  bool next(size_t level, bool timed, uint64_t deadlineMs, Task& task);

  mutable std::mutex m_mutex;
  std::condition_variable m_cond;
  std::deque<Task> m_queue;
  // One quit flag per running level, innermost last.
  std::vector<bool> m_levels;
  bool m_pendingQuit = false;
  bool m_woken = false;
};

}  // namespace tamb
