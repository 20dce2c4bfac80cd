#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "messaging/VtLockable.h"

namespace Velt {

class ThreadData;

// A thread of the library. The operating-system thread is created by the
// constructor and held at a start gate until start(), so run() never starts
// before the subclass is fully built. Error codes: 0 none, 32 the thread could
// not be created, -28 run ended by running out of memory, -29 run ended by
// another exception. A subclass whose run() may still be going when it is
// destroyed must stop and join the thread in its own destructor: the base
// destructor joins too, but by then the subclass part is gone.
class Thread : public VtLockable {
 public:
  // Reference-counted start-up of the thread layer. Every lock and thread
  // holds one reference. Safe to call from any thread.
  class InitTerm {
   public:
    // True only for the call that started the layer.
    static bool init();
    // True only for the call that stopped it.
    static bool exit();
  };

  static constexpr int32_t kErrorNone = 0;
  static constexpr int32_t kErrorCreate = 32;
  static constexpr int32_t kErrorOutOfMemory = -28;
  static constexpr int32_t kErrorException = -29;

  Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  // Joins the thread; a thread never started leaves without running.
  ~Thread() override;

  virtual void run() = 0;
  // Waits for the thread to end. False when it cannot: the thread was never
  // created or started, or the caller is the thread itself.
  virtual bool waitForRunExit();
  virtual void runInit();
  virtual void runExit();
  // Waits ms milliseconds of the platform clock, or less once stop() has
  // been called.
  virtual void wait(uint32_t ms);
  // Asks the thread to stop: wakes a pending wait(). The thread itself
  // leaves at its next check of its subclass's stop request.
  virtual bool stop();
  virtual void start();

  bool isActive() const { return mActive.load(); }
  int32_t getErrorCode() const { return mError.load(); }

  static void sleep(uint32_t ms);
  // The calling thread's identity; 0 on the thread that started the layer.
  static uint32_t getCurrentID();

 private:
  static void threadMain(Thread* self);

  ThreadData* mData;
  std::thread mHandle;
  std::atomic<int32_t> mError{kErrorNone};
  std::atomic<bool> mActive{false};
};

}  // namespace Velt
