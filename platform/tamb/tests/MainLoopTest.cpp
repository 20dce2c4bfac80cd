#include "platform/tamb/MainLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/Clock.h"

using tamb::MainLoop;

namespace {

// A generous bound for waits on other threads; a passing test never
// reaches it.
constexpr uint32_t kBoundMs = 20000;

}  // namespace

TEST(MainLoop, TasksFromManyThreadsRunOnTheLoopThreadInEachPostersOrder) {
  MainLoop loop;
  constexpr int kThreads = 4;
  constexpr int kEach = 250;
  std::vector<std::vector<int>> seen(kThreads);
  int ran = 0;
  const auto loopThread = std::this_thread::get_id();
  bool offThread = false;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        loop.post([&, t, i] {
          offThread |= std::this_thread::get_id() != loopThread;
          seen[t].push_back(i);
          ++ran;
        });
    });
  EXPECT_TRUE(loop.runUntil([&] { return ran == kThreads * kEach; }, kBoundMs));
  for (auto& p : posters) p.join();
  EXPECT_FALSE(offThread);
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(seen[t].size(), static_cast<size_t>(kEach));
    for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[t][i], i);
  }
}

TEST(MainLoop, ATaskMayPostAndQuitWithoutDeadlock) {
  MainLoop loop;
  std::vector<std::string> order;
  loop.post([&] {
    order.push_back("first");
    loop.post([&] {
      order.push_back("posted by first");
      loop.quit();
    });
  });
  loop.post([&] { order.push_back("second"); });
  loop.run();
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "posted by first"}));
  EXPECT_EQ(loop.depth(), 0u);
}

TEST(MainLoop, NestedRunEndsOnItsOwnQuitAndTheOuterGoesOn) {
  MainLoop loop;
  std::vector<std::string> order;
  loop.post([&] {
    order.push_back("outer task");
    loop.post([&] {
      order.push_back("inner task, depth " + std::to_string(loop.depth()));
      loop.quit();
    });
    loop.run();
    order.push_back("nested returned");
    loop.post([&] {
      order.push_back("outer again");
      loop.quit();
    });
  });
  loop.run();
  EXPECT_EQ(order, (std::vector<std::string>{"outer task", "inner task, depth 2", "nested returned",
                                             "outer again"}));
}

TEST(MainLoop, QuitAllEndsEveryLevel) {
  MainLoop loop;
  bool after = false;
  loop.post([&] {
    loop.post([&] {
      loop.quitAll();
      loop.post([&] { ADD_FAILURE() << "a level ran on after quitAll"; });
    });
    loop.run();
    after = true;
  });
  loop.run();
  EXPECT_TRUE(after);
  EXPECT_EQ(loop.pendingCount(), 1u);
}

TEST(MainLoop, QuitFromAnotherThreadBeforeOrDuringRunEndsIt) {
  MainLoop early;
  early.quit();
  early.run();  // returns at once: the quit was remembered
  MainLoop loop;
  std::thread quitter([&] { loop.quit(); });
  loop.run();
  quitter.join();
  EXPECT_EQ(loop.depth(), 0u);
}

TEST(MainLoop, RunUntilEndsAtItsBoundOnTheCurrentClock) {
  platform::TestClock clock(100);
  platform::ScopedClock use(clock);
  MainLoop loop;
  std::thread advancer([&] {
    // Waits for the loop to be inside its wait, then passes the bound.
    while (loop.depth() == 0) std::this_thread::yield();
    clock.advance(50);
  });
  EXPECT_FALSE(loop.runUntil([] { return false; }, 50));
  advancer.join();
  EXPECT_EQ(clock.nowMs(), 150u);
}

TEST(MainLoop, WakeLetsRunUntilSeeAConditionSetElsewhere) {
  MainLoop loop;
  std::atomic<bool> done{false};
  std::thread setter([&] {
    done = true;
    loop.wake();
  });
  EXPECT_TRUE(loop.runUntil([&] { return done.load(); }, kBoundMs));
  setter.join();
}

TEST(MainLoop, RunPendingRunsWhatIsQueuedAndWhatItPosts) {
  MainLoop loop;
  int n = 0;
  loop.post([&] {
    ++n;
    loop.post([&] { ++n; });
  });
  EXPECT_EQ(loop.runPending(), 2u);
  EXPECT_EQ(n, 2);
  EXPECT_EQ(loop.runPending(), 0u);
}
