#include "messaging/Thread.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>

#include "messaging/DebugAlert.h"
#include "platform/os/Clock.h"

namespace Velt {

namespace {

// Constant-initialised, so locks built by static objects find it ready.
std::mutex gInitTermMutex;
int32_t gInitTermCount = 0;
std::thread::id gMainThread;

std::atomic<uint32_t> gNextThreadID{1};

}  // namespace

// The start gate and the wait/stop signal of one thread. Everything here
// lives until the thread has been joined, so the exiting thread never signals
// a condition variable that is being destroyed.
class ThreadData : public VtHeap {
 public:
  enum class Gate { Closed, Open, Abandoned };

  std::mutex gateMutex;
  std::condition_variable gateCond;
  Gate gate = Gate::Closed;

  std::mutex waitMutex;
  std::condition_variable waitCond;
  bool stopRequested = false;

  std::mutex joinMutex;
};

bool Thread::InitTerm::init() {
  std::lock_guard<std::mutex> guard(gInitTermMutex);
  if (gInitTermCount++ != 0) return false;
  gMainThread = std::this_thread::get_id();
  return true;
}

bool Thread::InitTerm::exit() {
  std::lock_guard<std::mutex> guard(gInitTermMutex);
  if (gInitTermCount <= 0) return false;
  if (--gInitTermCount != 0) return false;
  gMainThread = std::thread::id();
  return true;
}

Thread::Thread() : mData(new ThreadData) {
  InitTerm::init();
  try {
    mHandle = std::thread(&Thread::threadMain, this);
  } catch (const std::system_error&) {
    mData->gate = ThreadData::Gate::Abandoned;
    mError.store(kErrorCreate);
  }
}

Thread::~Thread() {
  {
    std::lock_guard<std::mutex> guard(mData->gateMutex);
    if (mData->gate == ThreadData::Gate::Closed) {
      VT_DEBUG_ALERT("Mutex has not been destroyed");
      mData->gate = ThreadData::Gate::Abandoned;
    }
  }
  mData->gateCond.notify_all();
  if (mActive.load()) VT_DEBUG_ALERT("Physical thread is still running!");
  {
    std::lock_guard<std::mutex> guard(mData->joinMutex);
    if (mHandle.joinable()) {
      if (mHandle.get_id() == std::this_thread::get_id())
        mHandle.detach();
      else
        mHandle.join();
    }
  }
  delete mData;
  InitTerm::exit();
}

void Thread::threadMain(Thread* self) {
  ThreadData* data = self->mData;
  {
    std::unique_lock<std::mutex> gate(data->gateMutex);
    data->gateCond.wait(gate, [data] { return data->gate != ThreadData::Gate::Closed; });
    if (data->gate == ThreadData::Gate::Abandoned) return;
  }

  try {
    self->runInit();
    self->run();
  } catch (const std::bad_alloc&) {
    self->mError.store(kErrorOutOfMemory);
  } catch (...) {
    self->mError.store(kErrorException);
  }
  try {
    self->runExit();
  } catch (const std::bad_alloc&) {
    self->mError.store(kErrorOutOfMemory);
  } catch (...) {
    self->mError.store(kErrorException);
  }
  // Cleared after runExit, so a thread seen inactive has finished its work.
  self->mActive.store(false);
  {
    std::lock_guard<std::mutex> guard(data->waitMutex);
    data->waitCond.notify_all();
  }
}

void Thread::start() {
  if (mError.load() != kErrorNone) return;
  {
    std::lock_guard<std::mutex> guard(mData->gateMutex);
    if (mData->gate != ThreadData::Gate::Closed) {
      VT_DEBUG_ALERT("Cannot unlock mutex");
      return;
    }
    mActive.store(true);
    mData->gate = ThreadData::Gate::Open;
  }
  mData->gateCond.notify_all();
}

bool Thread::waitForRunExit() {
  {
    std::lock_guard<std::mutex> guard(mData->gateMutex);
    // A thread that never passes the gate would never end.
    if (mData->gate != ThreadData::Gate::Open) return false;
  }
  std::lock_guard<std::mutex> guard(mData->joinMutex);
  if (!mHandle.joinable()) return true;
  if (mHandle.get_id() == std::this_thread::get_id()) return false;
  mHandle.join();
  return true;
}

void Thread::runInit() {}

void Thread::runExit() {}

void Thread::wait(uint32_t ms) {
  std::unique_lock<std::mutex> guard(mData->waitMutex);
  // Whether a stop was asked for, the thread's loop reads for itself.
  (void)platform::currentClock().waitFor(guard, mData->waitCond, ms,
                                         [this] { return mData->stopRequested; });
}

bool Thread::stop() {
  ObjectLock lock(*this);
  {
    std::lock_guard<std::mutex> guard(mData->waitMutex);
    mData->stopRequested = true;
  }
  mData->waitCond.notify_all();
  return true;
}

void Thread::sleep(uint32_t ms) {
  platform::currentClock().sleepFor(ms);
}

uint32_t Thread::getCurrentID() {
  {
    std::lock_guard<std::mutex> guard(gInitTermMutex);
    if (gInitTermCount > 0 && std::this_thread::get_id() == gMainThread) return 0;
  }
  thread_local uint32_t id = gNextThreadID.fetch_add(1);
  return id;
}

}  // namespace Velt
