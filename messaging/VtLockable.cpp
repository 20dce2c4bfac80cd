#include "messaging/VtLockable.h"

#include "messaging/VtLock.h"

namespace Velt {

VtLockable::VtLockable() : mLock(new VtLock) {}

VtLockable::VtLockable(const VtLockable& other) : VtHeap(other), mLock(new VtLock) {}

VtLockable& VtLockable::operator=(const VtLockable&) {
  // The lock belongs to this object and is never copied.
  return *this;
}

VtLockable::~VtLockable() {
  delete mLock;
}

void VtLockable::lock() const {
  mLock->acquire();
}

void VtLockable::unlock() const {
  mLock->release();
}

ObjectLock::ObjectLock(const VtLockable& object) : mObject(object) {
  mObject.lock();
}

ObjectLock::~ObjectLock() {
  mObject.unlock();
}

}  // namespace Velt
