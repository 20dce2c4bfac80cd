#include "platform/os/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

namespace {

std::atomic<Clock*>& installed() {
  static std::atomic<Clock*> clock{nullptr};
  return clock;
}

}  // namespace

uint64_t SystemClock::nowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint64_t SystemClock::wallMs() {
  using namespace std::chrono;
  const auto since = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  // A system clock set before 1970 reads as the epoch itself.
  return since > 0 ? static_cast<uint64_t>(since) : 0;
}

void SystemClock::sleepFor(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool SystemClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            uint64_t deadlineMs, const std::function<bool()>& pred) {
  using namespace std::chrono;
  // Deadlines centuries away mean "no deadline" (and would overflow below).
  if (deadlineMs >= (uint64_t{1} << 52)) {
    cv.wait(lock, pred);
    return true;
  }
  steady_clock::time_point deadline{milliseconds(static_cast<int64_t>(deadlineMs))};
  return cv.wait_until(lock, deadline, pred);
}

TestClock::TestClock(uint64_t startMs) : now_(startMs) {}

uint64_t TestClock::nowMs() {
  std::lock_guard<std::mutex> g(mutex_);
  return now_;
}

uint64_t TestClock::wallMs() {
  std::lock_guard<std::mutex> g(mutex_);
  return kWallStartMs + now_;
}

void TestClock::sleepFor(uint32_t ms) {
  std::lock_guard<std::mutex> g(mutex_);
  now_ += ms;
  slept_ += ms;
  ++sleepCalls_;
  wakeWaiters();
}

void TestClock::advance(uint64_t ms) {
  std::lock_guard<std::mutex> g(mutex_);
  now_ += ms;
  wakeWaiters();
}

void TestClock::set(uint64_t ms) {
  std::lock_guard<std::mutex> g(mutex_);
  now_ = ms;
  wakeWaiters();
}

uint64_t TestClock::sleptMs() {
  std::lock_guard<std::mutex> g(mutex_);
  return slept_;
}

uint64_t TestClock::sleepCalls() {
  std::lock_guard<std::mutex> g(mutex_);
  return sleepCalls_;
}

// Called with mutex_ held: a waiter leaves the set under the same mutex, so
// no condition variable is touched after its wait has ended.
void TestClock::wakeWaiters() {
  for (auto* cv : waiters_) cv->notify_all();
}

bool TestClock::waitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                          uint64_t deadlineMs, const std::function<bool()>& pred) {
  {
    std::lock_guard<std::mutex> g(mutex_);
    waiters_.insert(&cv);
  }
  bool result;
  for (;;) {
    if (pred()) {
      result = true;
      break;
    }
    if (nowMs() >= deadlineMs) {
      result = false;
      break;
    }
    // A notification from advance() can slip in between the test above and
    // this wait; the short slice bounds how late it is noticed.
    cv.wait_for(lock, std::chrono::milliseconds(5));
  }
  std::lock_guard<std::mutex> g(mutex_);
  waiters_.erase(waiters_.find(&cv));
  return result;
}

SystemClock& systemClock() {
  static SystemClock clock;
  return clock;
}

Clock& currentClock() {
  Clock* c = installed().load(std::memory_order_acquire);
  return c != nullptr ? *c : systemClock();
}

ScopedClock::ScopedClock(Clock& clock)
    : previous_(installed().exchange(&clock, std::memory_order_acq_rel)) {}

ScopedClock::~ScopedClock() {
  installed().store(previous_, std::memory_order_release);
}

}  // namespace platform
