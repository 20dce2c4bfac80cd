#include "messaging/VtLock.h"

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "messaging/DebugAlert.h"
#include "messaging/Thread.h"

namespace Velt {

// The owner and depth let a release by a thread that does not hold the lock
// be reported instead of corrupting the mutex.
class LockData : public VtHeap {
 public:
  std::recursive_mutex mutex;
  std::atomic<std::thread::id> owner{};
  int depth = 0;  // guarded by mutex
};

VtLock::VtLock() : mData(new LockData) {
  Thread::InitTerm::init();
}

VtLock::~VtLock() {
  const std::thread::id self = std::this_thread::get_id();
  if (mData->owner.load() == self) {
    // Destroyed by the thread that holds it: give back every level.
    int depth = mData->depth;
    mData->depth = 0;
    mData->owner.store(std::thread::id());
    while (depth-- > 0) mData->mutex.unlock();
  } else if (mData->mutex.try_lock()) {
    mData->mutex.unlock();
  } else {
    VT_DEBUG_ALERT("Object still in use");
    // Destroying a mutex another thread holds is undefined; wait for it.
    mData->mutex.lock();
    mData->mutex.unlock();
  }
  delete mData;
  Thread::InitTerm::exit();
}

void VtLock::acquire() {
  try {
    mData->mutex.lock();
  } catch (const std::system_error&) {
    VT_DEBUG_ALERT("Cannot lock mutex");
    return;
  }
  if (mData->depth++ == 0) mData->owner.store(std::this_thread::get_id());
}

void VtLock::release() {
  if (mData->owner.load() != std::this_thread::get_id()) {
    VT_DEBUG_ALERT("Cannot unlock mutex");
    return;
  }
  if (--mData->depth == 0) mData->owner.store(std::thread::id());
  mData->mutex.unlock();
}

}  // namespace Velt
