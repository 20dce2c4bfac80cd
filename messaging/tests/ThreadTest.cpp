#include "messaging/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "messaging/VtLock.h"
#include "messaging/tests/AlertCapture.h"
#include "platform/os/Clock.h"

using Velt::Thread;

namespace {

// A thread whose body is a function; it records the order of its hooks.
class FunctionThread : public Thread {
 public:
  explicit FunctionThread(std::function<void(FunctionThread&)> body) : mBody(std::move(body)) {}
  ~FunctionThread() override { waitForRunExit(); }

  void runInit() override { record("init"); }
  void run() override {
    record("run");
    mBody(*this);
  }
  void runExit() override { record("exit"); }

  std::vector<std::string> events() {
    std::lock_guard<std::mutex> guard(mMutex);
    return mEvents;
  }

 private:
  void record(const char* what) {
    std::lock_guard<std::mutex> guard(mMutex);
    mEvents.push_back(what);
  }

  std::function<void(FunctionThread&)> mBody;
  std::mutex mMutex;
  std::vector<std::string> mEvents;
};

// A one-shot latch for handing control between test and thread.
class Latch {
 public:
  void open() {
    {
      std::lock_guard<std::mutex> guard(mMutex);
      mOpen = true;
    }
    mCond.notify_all();
  }
  void await() {
    std::unique_lock<std::mutex> guard(mMutex);
    mCond.wait(guard, [this] { return mOpen; });
  }

 private:
  std::mutex mMutex;
  std::condition_variable mCond;
  bool mOpen = false;
};

}  // namespace

TEST(ThreadTest, NeverStartedThreadNeverRuns) {
  AlertCapture capture;
  std::atomic<int> runs{0};
  {
    FunctionThread t([&runs](FunctionThread&) { ++runs; });
    EXPECT_EQ(t.getErrorCode(), 0);
    EXPECT_FALSE(t.isActive());
    // Would never end: refused rather than hanging.
    EXPECT_FALSE(t.waitForRunExit());
    EXPECT_TRUE(t.events().empty());
  }
  EXPECT_EQ(runs.load(), 0);
  EXPECT_EQ(capture.count("Mutex has not been destroyed"), 1);
  EXPECT_EQ(capture.count("Physical thread is still running!"), 0);
}

TEST(ThreadTest, StartRunsTheBodyOnce) {
  AlertCapture capture;
  Latch entered, release;
  std::atomic<uint32_t> id{0};
  FunctionThread t([&](FunctionThread&) {
    id = Thread::getCurrentID();
    entered.open();
    release.await();
  });
  t.start();
  entered.await();
  EXPECT_TRUE(t.isActive());
  release.open();
  EXPECT_TRUE(t.waitForRunExit());
  EXPECT_TRUE(t.waitForRunExit());  // already joined
  EXPECT_FALSE(t.isActive());
  EXPECT_EQ(t.getErrorCode(), 0);
  EXPECT_EQ(t.events(), (std::vector<std::string>{"init", "run", "exit"}));
  EXPECT_NE(id.load(), 0u);

  t.start();  // a second start is a programming error
  EXPECT_EQ(capture.count("Cannot unlock mutex"), 1);
  EXPECT_EQ(t.events().size(), 3u);
}

TEST(ThreadTest, ExceptionsBecomeErrorCodes) {
  struct Case {
    const char* name;
    std::function<void(FunctionThread&)> body;
    int32_t expected;
  };
  const Case cases[] = {
      {"none", [](FunctionThread&) {}, 0},
      {"bad_alloc", [](FunctionThread&) { throw std::bad_alloc(); }, -28},
      {"runtime_error", [](FunctionThread&) { throw std::runtime_error("x"); }, -29},
      {"int", [](FunctionThread&) { throw 7; }, -29},
  };
  for (const Case& c : cases) {
    FunctionThread t(c.body);
    t.start();
    ASSERT_TRUE(t.waitForRunExit()) << c.name;
    EXPECT_EQ(t.getErrorCode(), c.expected) << c.name;
    // runExit still runs after a failed run.
    EXPECT_EQ(t.events().back(), "exit") << c.name;
    EXPECT_FALSE(t.isActive()) << c.name;
  }
}

TEST(ThreadTest, StopWakesAWait) {
  FunctionThread t([](FunctionThread& self) { self.wait(UINT32_MAX); });
  t.start();
  EXPECT_TRUE(t.stop());
  EXPECT_TRUE(t.waitForRunExit());

  // After a stop a wait returns at once, even on another thread.
  t.wait(UINT32_MAX);
}

TEST(ThreadTest, StopRacingTheThreadsExit) {
  AlertCapture capture;
  for (int i = 0; i < 300; ++i) {
    auto* t = new FunctionThread([](FunctionThread&) {});
    t->start();
    if (i % 2 == 0) {
      std::thread stopper([t] { t->stop(); });
      t->waitForRunExit();
      stopper.join();
    } else {
      t->stop();
    }
    delete t;  // joins when not yet joined
  }
  EXPECT_TRUE(capture.alerts().empty());
}

TEST(ThreadTest, InitTermCounts) {
  // No lock or thread is alive between tests, so the layer is stopped.
  EXPECT_TRUE(Thread::InitTerm::init());
  EXPECT_FALSE(Thread::InitTerm::init());
  EXPECT_FALSE(Thread::InitTerm::exit());
  EXPECT_TRUE(Thread::InitTerm::exit());
  // An unbalanced exit does not drive the count below zero.
  EXPECT_FALSE(Thread::InitTerm::exit());
  EXPECT_TRUE(Thread::InitTerm::init());
  EXPECT_TRUE(Thread::InitTerm::exit());
}

TEST(ThreadTest, InitTermCountsLocksFromManyThreads) {
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w) {
    workers.emplace_back([] {
      for (int i = 0; i < 2000; ++i) {
        Velt::VtLock a;
        Velt::VtLock b;
      }
    });
  }
  for (std::thread& w : workers) w.join();
  EXPECT_TRUE(Thread::InitTerm::init());
  EXPECT_TRUE(Thread::InitTerm::exit());
}

TEST(ThreadTest, CurrentIDIsZeroOnlyOnTheMainThread) {
  ASSERT_TRUE(Thread::InitTerm::init());
  EXPECT_EQ(Thread::getCurrentID(), 0u);
  uint32_t first = 0, second = 0, again = 0;
  std::thread a([&] {
    first = Thread::getCurrentID();
    again = Thread::getCurrentID();
  });
  std::thread b([&] { second = Thread::getCurrentID(); });
  a.join();
  b.join();
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(first, again);
  EXPECT_TRUE(Thread::InitTerm::exit());
}

TEST(ThreadTest, WaitAndSleepFollowThePlatformClock) {
  platform::TestClock clock(1000);
  platform::ScopedClock scoped(clock);

  Thread::sleep(2500);
  EXPECT_EQ(clock.sleptMs(), 2500u);
  EXPECT_EQ(clock.nowMs(), 3500u);

  std::atomic<bool> done{false};
  FunctionThread t([&done](FunctionThread& self) {
    self.wait(100);
    done = true;
  });
  t.start();
  // The wait ends only once the clock has moved past its deadline.
  while (!done) {
    clock.advance(50);
    std::this_thread::yield();
  }
  EXPECT_TRUE(t.waitForRunExit());
  EXPECT_GE(clock.nowMs(), 3600u);
}
