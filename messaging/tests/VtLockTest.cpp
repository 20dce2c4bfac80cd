#include "messaging/VtLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "messaging/VtLockable.h"
#include "messaging/tests/AlertCapture.h"

using Velt::ObjectLock;
using Velt::VtLock;
using Velt::VtLockable;

namespace {

struct Counter : VtLockable {
  int value = 0;
  int read() const {
    ObjectLock lock(*this);
    return value;
  }
};

}  // namespace

TEST(VtLockTest, RecursiveAndExclusive) {
  Counter counter;
  {
    ObjectLock outer(counter);
    ObjectLock inner(counter);
    EXPECT_EQ(counter.read(), 0);
  }

  constexpr int kRounds = 20000;
  auto work = [&counter] {
    for (int i = 0; i < kRounds; ++i) {
      ObjectLock lock(counter);
      ObjectLock again(counter);
      ++counter.value;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter.read(), 2 * kRounds);
}

TEST(VtLockTest, CopyGetsItsOwnLock) {
  Counter original;
  original.value = 5;
  ObjectLock held(original);
  Counter copy(original);
  EXPECT_EQ(copy.value, 5);
  // Would block forever if the copy shared the original's lock.
  std::thread other([&copy] { ObjectLock lock(copy); });
  other.join();
}

TEST(VtLockTest, ReleaseByAThreadThatDoesNotHoldItIsReported) {
  AlertCapture capture;
  VtLock lock;
  lock.acquire();
  std::thread other([&lock] { lock.release(); });
  other.join();
  EXPECT_EQ(capture.count("Cannot unlock mutex"), 1);
  // Still held by this thread, and released normally.
  lock.release();
  std::thread taker([&lock] {
    lock.acquire();
    lock.release();
  });
  taker.join();
  EXPECT_EQ(capture.alerts().size(), 1u);
}

TEST(VtLockTest, DestroyingALockHeldElsewhereWarnsAndWaits) {
  AlertCapture capture;
  auto* lock = new VtLock;
  std::atomic<bool> held{false};
  int before = AlertCapture::total().load();
  std::thread holder([&] {
    lock->acquire();
    held = true;
    // Let go only once the destructor has reported.
    while (AlertCapture::total().load() == before) std::this_thread::yield();
    lock->release();
  });
  while (!held) std::this_thread::yield();
  delete lock;
  holder.join();
  EXPECT_EQ(capture.count("Object still in use"), 1);
}

TEST(VtLockTest, DestroyingALockHeldByTheSameThreadIsQuiet) {
  AlertCapture capture;
  auto* lock = new VtLock;
  lock->acquire();
  lock->acquire();
  delete lock;
  EXPECT_TRUE(capture.alerts().empty());
}
