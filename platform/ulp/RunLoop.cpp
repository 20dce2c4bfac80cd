#include "platform/ulp/RunLoop.h"

namespace ulp {

RunLoop& RunLoop::shared() {
  static RunLoop* loop = new RunLoop;
  return *loop;
}

void RunLoop::post(Task task) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_terminated) return;
    m_queue.push_back(std::move(task));
  }
  m_cond.notify_one();
}

bool RunLoop::next(bool wait, Task& task) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (wait) m_cond.wait(lock, [&] { return m_terminated || !m_queue.empty(); });
  if (m_terminated || m_queue.empty()) return false;
  task = std::move(m_queue.front());
  m_queue.pop_front();
  return true;
}

void RunLoop::run() {
  Task task;
  while (next(true, task)) {
    if (task) task();
    task = nullptr;
  }
}

size_t RunLoop::runPending() {
  size_t ran = 0;
  Task task;
  while (next(false, task)) {
    if (task) task();
    task = nullptr;
    ++ran;
  }
  return ran;
}

void RunLoop::terminate() {
  std::deque<Task> dropped;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_terminated = true;
    dropped.swap(m_queue);
  }
  m_cond.notify_all();
  // Dropped outside the lock: a task's captures may post on destruction.
}

bool RunLoop::isTerminated() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_terminated;
}

size_t RunLoop::pendingCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_queue.size();
}

void RunLoop::reset() {
  std::deque<Task> dropped;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_terminated = false;
  dropped.swap(m_queue);
}

}  // namespace ulp
