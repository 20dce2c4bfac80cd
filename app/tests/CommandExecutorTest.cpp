#include "app/CommandExecutor_Impl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/MovieTestSupport.h"
#include "transaction/CZorbPlexarUI.h"

using movietest::eventually;
using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;

namespace {

constexpr uint32_t kBoundMs = 20000;

// A gate the worker's first job waits at until the test opens it.
class Gate {
 public:
  void open() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_open = true;
    }
    m_cond.notify_all();
  }
  bool pass() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(kBoundMs), [&] { return m_open; });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cond;
  bool m_open = false;
};

// Counts the commands alive, to see that the queue deletes what it ran.
std::atomic<int> g_alive{0};

class CountedCommand final : public CBrioCommand {
 public:
  using Work = std::function<void(CountedCommand&)>;
  explicit CountedCommand(Work work) : m_work(std::move(work)) { ++g_alive; }
  ~CountedCommand() override { --g_alive; }
  const char* getCommandName() const override { return "counted"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override { m_work(*this); }

 private:
  Work m_work;
};

class Executor : public MovieTest {
 protected:
  // Records what ran, on which thread, in order.
  void record(const std::string& what) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ran.push_back(what);
    threads.push_back(std::this_thread::get_id());
  }
  size_t ranCount() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return ran.size();
  }

  std::mutex m_mutex;
  std::vector<std::string> ran;
  std::vector<std::thread::id> threads;
};

}  // namespace

TEST_F(Executor, CommandsRunInArrivalOrderOnTheWorkerAndAreDeletedAfterwards) {
  Gate gate;
  CommandExecutor_Impl executor([&] { return gate.pass(); });
  ASSERT_TRUE(executor.start());
  for (const char* name : {"first", "second", "third"})
    executor.postMessage(
        std::make_unique<CountedCommand>([this, name](CountedCommand&) { record(name); }));
  executor.postMessage(nullptr);
  EXPECT_EQ(executor.queuedCount(), 3u);
  gate.open();
  ASSERT_TRUE(eventually([&] { return ranCount() == 3; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second", "third"}));
  std::thread::id worker;
  ASSERT_TRUE(executor.getThreadID(&worker));
  for (const auto& id : threads) EXPECT_EQ(id, worker);
  EXPECT_TRUE(eventually([&] { return g_alive == 0; }));
}

TEST_F(Executor, StopWhileACommandWaitsGivesItCancelAndRunsNothingMore) {
  RecordingSink sink;  // takes the question and never answers it
  CommandExecutor_Impl executor([] { return true; });
  ASSERT_TRUE(executor.start());
  int answer = 0;
  auto asking = std::make_unique<CountedCommand>([&](CountedCommand& cmd) {
    answer = cmd.askOKCancel("Overwrite?", CZorbPlexarUI::kExistingItem);
    record("asked");
  });
  asking->setRequestId("m1");
  executor.postMessage(std::move(asking));
  executor.postMessage(
      std::make_unique<CountedCommand>([this](CountedCommand&) { record("queued"); }));
  ASSERT_TRUE(eventually([] { return CRequestIdManager::getInstance()->threadsInWait() == 1; }));

  executor.stop();
  ASSERT_TRUE(executor.waitForEnd(kBoundMs));
  EXPECT_EQ(ran, std::vector<std::string>{"asked"});
  EXPECT_EQ(answer, CZorbPlexarUI::kAnswerCancel);
  EXPECT_TRUE(executor.hasEnded());
  EXPECT_FALSE(executor.initFailed());
  EXPECT_EQ(g_alive, 0);

  executor.postMessage(
      std::make_unique<CountedCommand>([this](CountedCommand&) { record("too late"); }));
  EXPECT_EQ(executor.queuedCount(), 0u);
  EXPECT_EQ(g_alive, 0);
}

TEST_F(Executor, AFailedStartUpEndsTheWorkerAndSaysSo) {
  CommandExecutor_Impl executor([] { return false; });
  ASSERT_TRUE(executor.start());
  ASSERT_TRUE(executor.waitForEnd(kBoundMs));
  EXPECT_TRUE(executor.initFailed());
}

TEST_F(Executor, AStopDuringTheStartUpIsNoFailure) {
  RecordingSink sink;
  CommandExecutor_Impl executor([] {
    ScriptedCommand probe("probe", nullptr);
    probe.setRequestId("-1");
    // Waits for an answer that never comes, until the stop.
    return CRequestIdManager::getInstance()->SendRequestAndWait(&probe, makeArguments({"-1"}));
  });
  ASSERT_TRUE(executor.start());
  ASSERT_TRUE(eventually([] { return CRequestIdManager::getInstance()->threadsInWait() == 1; }));
  executor.stop();
  ASSERT_TRUE(executor.waitForEnd(kBoundMs));
  EXPECT_FALSE(executor.initFailed());
}
