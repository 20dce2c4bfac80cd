#pragma once

#include "messaging/VtHeap.h"

namespace Velt {

class VtLock;

// Base of library objects that are locked as a whole. Each object has its own
// recursive lock; a copy gets a lock of its own.
class VtLockable : public VtHeap {
 public:
  VtLockable();
  VtLockable(const VtLockable& other);
  VtLockable& operator=(const VtLockable& other);
  ~VtLockable() override;

  // Const so that read-only operations of locked objects can lock too.
  void lock() const;
  void unlock() const;

 private:
  VtLock* mLock;
};

// Holds a lockable object's lock for the scope.
class ObjectLock : public VtHeap {
 public:
  explicit ObjectLock(const VtLockable& object);
  ObjectLock(const ObjectLock&) = delete;
  ObjectLock& operator=(const ObjectLock&) = delete;
  ~ObjectLock() override;

 private:
  const VtLockable& mObject;
};

}  // namespace Velt
