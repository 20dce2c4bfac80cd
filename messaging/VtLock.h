#pragma once

#include "messaging/VtHeap.h"

namespace Velt {

class LockData;

// A recursive lock: the thread holding it may acquire it again, and each
// acquire needs one release.
class VtLock : public VtHeap {
 public:
  VtLock();
  VtLock(const VtLock&) = delete;
  VtLock& operator=(const VtLock&) = delete;
  // Reports "Object still in use" when another thread holds the lock, and
  // then waits for it to be released before tearing it down.
  ~VtLock() override;

  void acquire();
  void release();

 private:
  LockData* mData;
};

}  // namespace Velt
