#include "app/CRequestIdManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/tests/MovieTestSupport.h"

using movietest::eventually;
using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;
using movietest::Sent;

namespace {

class RequestIds : public MovieTest {
 protected:
  CRequestIdManager& ids = *CRequestIdManager::getInstance();
};

std::vector<std::string> texts(const CBrioCommand& cmd) {
  std::vector<std::string> out;
  for (size_t i = 0; i < cmd.argumentCount(); ++i) out.push_back(cmd.argumentText(i));
  return out;
}

}  // namespace

TEST_F(RequestIds, IdsCountFromOneAndAreNeverHandedOutTwice) {
  std::string first;
  std::string second;
  ids.getRequestIdToBrio(first);
  ids.getRequestIdToBrio(second);
  EXPECT_EQ(first, "-1");
  EXPECT_EQ(second, "-2");

  constexpr int kThreads = 4;
  constexpr int kEach = 2000;
  std::vector<std::vector<std::string>> taken(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        std::string id;
        ids.getRequestIdToBrio(id);
        taken[t].push_back(id);
      }
    });
  for (auto& th : threads) th.join();
  std::set<std::string> all;
  for (const auto& list : taken) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
}

TEST_F(RequestIds, AnAnswerThatBeatsTheWaitIsNotLost) {
  // The movie answers from another thread as soon as the question is
  // posted, often before the asking thread has started to wait.
  std::mt19937 random(5);
  for (int round = 0; round < 100; ++round) {
    RecordingSink sink;
    std::thread answerer;
    const int yields = static_cast<int>(random() % 50);
    sink.setResponder([&](const Sent& sent) -> std::optional<std::vector<std::string>> {
      const std::string id = sent.args[0];
      answerer = std::thread([id, yields] {
        for (int i = 0; i < yields; ++i) std::this_thread::yield();
        CRequestIdManager::getInstance()->NotifyCommand(id, makeArguments({id, "answer"}));
      });
      return std::nullopt;
    });
    ScriptedCommand cmd("test", nullptr);
    cmd.setRequestId("r" + std::to_string(round));
    EXPECT_TRUE(ids.SendRequestAndWait(&cmd, [&] { cmd.onSendPromptFolderMsg("a", "b"); }));
    answerer.join();
    EXPECT_EQ(texts(cmd), (std::vector<std::string>{cmd.getRequestId(), "answer"}));
  }
  EXPECT_EQ(ids.waitingCount(), 0u);
}

TEST_F(RequestIds, ASpuriousWakeUpDoesNotEndTheWait) {
  RecordingSink sink;
  ScriptedCommand cmd("test", nullptr);
  cmd.setRequestId("-9");
  std::vector<std::string> seenOnReturn;
  bool answered = false;
  std::atomic<bool> returned{false};
  std::thread waiter([&] {
    answered = ids.SendRequestAndWait(&cmd, makeArguments({"-9", "own", "arguments"}));
    seenOnReturn = texts(cmd);
    returned = true;
  });
  ASSERT_TRUE(eventually([&] { return ids.threadsInWait() == 1; }));
  for (int i = 0; i < 5; ++i) {
    const uint64_t entered = ids.waitsEntered();
    ids.wakeWaitersForTest();
    // Woken without an answer, the thread goes back into its wait.
    ASSERT_TRUE(eventually([&] { return ids.waitsEntered() > entered || returned; }));
    ASSERT_FALSE(returned) << "the wait ended without an answer";
  }
  ids.NotifyCommand("-9", makeArguments({"-9", "the answer"}));
  waiter.join();
  EXPECT_TRUE(answered);
  EXPECT_EQ(seenOnReturn, (std::vector<std::string>{"-9", "the answer"}));
}

TEST_F(RequestIds, ADuplicateIdDoesNotWaitAndAsksNothing) {
  RecordingSink sink;
  ScriptedCommand first("test", nullptr);
  first.setRequestId("-5");
  std::thread waiter([&] { EXPECT_TRUE(ids.SendRequestAndWait(&first, makeArguments({"-5"}))); });
  ASSERT_TRUE(eventually([&] { return ids.threadsInWait() == 1; }));

  ScriptedCommand second("test", nullptr);
  second.setRequestId("-5");
  second.setArguments(makeArguments({"-5", "stale"}));
  EXPECT_FALSE(ids.SendRequestAndWait(&second, makeArguments({"-5", "again"})));
  // No stale arguments pass for an answer.
  EXPECT_EQ(texts(second), std::vector<std::string>{"-5"});
  EXPECT_TRUE(second.isCancelled());
  EXPECT_EQ(sink.sent().size(), 1u);

  ids.NotifyCommand("-5", makeArguments({"-5", "for the first"}));
  waiter.join();
  EXPECT_EQ(texts(first), (std::vector<std::string>{"-5", "for the first"}));
}

TEST_F(RequestIds, ShutdownReleasesTheWaitAndEveryLaterOne) {
  RecordingSink sink;
  ScriptedCommand cmd("test", nullptr);
  cmd.setRequestId("-3");
  bool answered = true;
  std::thread waiter([&] { answered = ids.SendRequestAndWait(&cmd, makeArguments({"-3", "q"})); });
  ASSERT_TRUE(eventually([&] { return ids.threadsInWait() == 1; }));
  ids.cancelAllWaits();
  waiter.join();
  EXPECT_FALSE(answered);
  EXPECT_TRUE(cmd.isCancelled());
  EXPECT_EQ(texts(cmd), std::vector<std::string>{"-3"});
  EXPECT_EQ(ids.waitingCount(), 0u);

  // A late answer finds nobody; a later question is not even asked.
  ids.NotifyCommand("-3", makeArguments({"-3", "late"}));
  EXPECT_EQ(texts(cmd), std::vector<std::string>{"-3"});
  ScriptedCommand later("test", nullptr);
  later.setRequestId("-4");
  EXPECT_FALSE(ids.SendCallbackAndWait(&later, makeArguments({"-4"})));
  EXPECT_EQ(sink.sent().size(), 1u);
}

TEST_F(RequestIds, TheBrioStateIsSetOnceForAll) {
  EXPECT_FALSE(ids.getBrioState());
  std::thread setter([&] { ids.setBrioStateOK(); });
  setter.join();
  EXPECT_TRUE(ids.getBrioState());
}
