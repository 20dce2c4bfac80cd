#include "platform/tamb/MainLoop.h"

#include <utility>

#include "platform/os/Clock.h"

namespace tamb {

// One running level, pushed for the time run() or runUntil() runs.
class MainLoop::Level {
 public:
  explicit Level(MainLoop& loop) : m_loop(loop) {
    std::lock_guard<std::mutex> lock(loop.m_mutex);
    loop.m_levels.push_back(false);
    m_index = loop.m_levels.size() - 1;
  }
  ~Level() {
    std::lock_guard<std::mutex> lock(m_loop.m_mutex);
    m_loop.m_levels.pop_back();
  }
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;
  size_t index() const { return m_index; }

 private:
  MainLoop& m_loop;
  size_t m_index = 0;
};

MainLoop& MainLoop::main() {
  // Never destroyed: tasks may still be posted while the process ends.
  static MainLoop* loop = new MainLoop;
  return *loop;
}

void MainLoop::post(Task task) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (task)
      m_queue.push_back(std::move(task));
    else
      m_woken = true;
  }
  m_cond.notify_all();
}

bool MainLoop::next(size_t level, bool timed, uint64_t deadlineMs, Task& task) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto ready = [&] { return !m_queue.empty() || m_levels[level] || m_woken; };
  if (timed) {
    if (!platform::currentClock().waitUntil(lock, m_cond, deadlineMs, ready)) return false;
  } else {
    m_cond.wait(lock, ready);
  }
  m_woken = false;
  if (m_levels[level]) return false;
  if (!m_queue.empty()) {
    task = std::move(m_queue.front());
    m_queue.pop_front();
  }
  return true;
}

void MainLoop::run() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pendingQuit) {
      m_pendingQuit = false;
      return;
    }
  }
  Level level(*this);
  for (;;) {
    Task task;
    if (!next(level.index(), false, 0, task)) return;
    if (task) task();
  }
}

bool MainLoop::runUntil(const std::function<bool()>& done, uint32_t boundMs) {
  const uint64_t deadline = platform::currentClock().nowMs() + boundMs;
  Level level(*this);
  while (!done()) {
    Task task;
    if (!next(level.index(), true, deadline, task)) break;
    if (task) task();
  }
  return done();
}

size_t MainLoop::runPending() {
  size_t count = 0;
  for (;;) {
    Task task;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (m_queue.empty()) return count;
      task = std::move(m_queue.front());
      m_queue.pop_front();
    }
    task();
    ++count;
  }
}

void MainLoop::quit() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_levels.empty())
      m_pendingQuit = true;
    else
      m_levels.back() = true;
  }
  m_cond.notify_all();
}

void MainLoop::quitAll() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_levels.empty()) m_pendingQuit = true;
    for (size_t i = 0; i < m_levels.size(); ++i) m_levels[i] = true;
  }
  m_cond.notify_all();
}

void MainLoop::wake() {
  post(nullptr);
}

size_t MainLoop::depth() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_levels.size();
}

size_t MainLoop::pendingCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_queue.size();
}

}  // namespace tamb
