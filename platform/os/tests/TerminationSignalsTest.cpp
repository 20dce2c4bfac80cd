#include "platform/os/TerminationSignals.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/os/MacStatus.h"

// A second signal ends the process at once, so only the first one is sent
// here; the program's tests send both to a process of its own.
TEST(TerminationSignals, TheFirstSignalReachesTheHandlerOnAThreadOfItsOwn) {
  std::mutex mutex;
  std::condition_variable cv;
  int received = 0;
  std::thread::id handlerThread;
  ASSERT_EQ(platform::TerminationSignals::install([&](int signal) {
              std::lock_guard<std::mutex> lock(mutex);
              received = signal;
              handlerThread = std::this_thread::get_id();
              cv.notify_all();
            }),
            platform::noErr);
  ASSERT_EQ(::raise(SIGTERM), 0);
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return received != 0; }));
  }
  EXPECT_EQ(received, SIGTERM);
  EXPECT_NE(handlerThread, std::this_thread::get_id());
  platform::TerminationSignals::uninstall();

  // Installed afresh, a signal counts as the first again.
  received = 0;
  ASSERT_EQ(platform::TerminationSignals::install([&](int signal) {
              std::lock_guard<std::mutex> lock(mutex);
              received = signal;
              cv.notify_all();
            }),
            platform::noErr);
  ASSERT_EQ(::raise(SIGINT), 0);
  {
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return received != 0; }));
  }
  EXPECT_EQ(received, SIGINT);
  platform::TerminationSignals::uninstall();
  struct sigaction now = {};
  ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}
