#pragma once

#include <atomic>
#include <mutex>

namespace pkg {

// One mutex, made with the object and destroyed with it. Guards the
// creation of the library's process-wide singletons.
class PkgMutualExclusion {
 public:
  PkgMutualExclusion();
  virtual ~PkgMutualExclusion();
  PkgMutualExclusion(const PkgMutualExclusion&) = delete;
  PkgMutualExclusion& operator=(const PkgMutualExclusion&) = delete;

  void lock();
  void unlock();

 private:
  std::mutex m_mutex;
};

// Double-checked creation of a singleton: the instance pointer is read
// without the lock first; only its first creation takes the mutex. T's
// constructor stores itself in `slot` (and its destructor clears it); the
// instance is a function-local static, destroyed at process exit.
template <class T>
T* guardedSingleton(std::atomic<T*>& slot, PkgMutualExclusion& mutex) {
  T* instance = slot.load(std::memory_order_acquire);
  if (instance) return instance;
  std::lock_guard<PkgMutualExclusion> lock(mutex);
  instance = slot.load(std::memory_order_acquire);
  if (!instance) {
    static T object;
    instance = &object;
  }
  return instance;
}

}  // namespace pkg
