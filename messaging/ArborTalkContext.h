#pragma once

#include <cstdint>
#include <mutex>

#include "messaging/VtLockable.h"
#include "messaging/VtString.h"
#include "messaging/VtVector.h"

namespace Velt {

class ArborTalk;
class ArborTalkConnector;
class ArborTalkThread;

// The messaging state of one application in this process: its instances,
// the counter that numbers their messages, the main instance and the
// background thread. One context is current at a time; the current one is
// owned by the library.
class ArborTalkContext : public VtLockable {
 public:
  // Creates and starts the background thread. An empty application
  // specifier raises a debug alert; the context is still made.
  explicit ArborTalkContext(const VtString& appSpecifier);
  ArborTalkContext(const ArborTalkContext&) = delete;
  ArborTalkContext& operator=(const ArborTalkContext&) = delete;
  // Stops the background thread and deletes the instances still held.
  ~ArborTalkContext() override;

  // The current context, or null; waits for a running set-up first.
  static ArborTalkContext* getCurrentContext();
  // Makes context current and deletes the one before, except for the
  // instances context takes over from it (null: none is current any more,
  // and the instances go with the old one). The new context continues the
  // serial numbers.
  static void setCurrentContext(ArborTalkContext* context);
  // The context an instance constructor made by setting the library up;
  // it goes with its last instance.
  static ArborTalkContext* getDeleteContextWithLastInstance();
  static void setDeleteContextWithLastInstance(ArborTalkContext* context);

  void appendInstance(ArborTalk* instance);
  void removeInstance(ArborTalk* instance);
  ArborTalk* findInstance(const ArborTalk* instance) const;
  ArborTalk* findInstance(const VtString& name) const;
  int32_t getNumberOfInstances() const;
  ArborTalk* getNthInstance(int32_t index) const;
  void setMainInstance(ArborTalk* instance);
  ArborTalk* getMainInstance() const;

  // Numbers the messages of the whole process: each call returns the next
  // number, the first of a process being 1.
  uint32_t getNextSerialNumber();
  // Takes other's instances and main instance over and continues from the
  // larger counter.
  void appendContext(ArborTalkContext& other);

  bool isLogging() const;
  void setLogging(bool on);
  ArborTalkThread* getThread() const { return mThread; }
  // The process-wide current connector.
  ArborTalkConnector* getConnector() const;
  VtString getSignature();
  // This application's specifier without a suffix: the main instance's
  // name, else the completed specifier the context was made for.
  VtString getAppSpecifier() const;
  // True while the destructor runs.
  bool isBeingDeleted() const;

  void appendDiagnostics(VtString& out, const VtString& prefix) const;

  // Held while the background thread drives the instances and while an
  // instance leaves: no instance goes away in the middle of a pass. Never
  // taken under a lock of the library's objects.
  std::mutex& drivingLock() { return mDriving; }

 private:
  ArborTalkThread* mThread = nullptr;
  uint32_t mNextSerialNumber;
  VtVector<ArborTalk> mInstances;
  ArborTalk* mMainInstance = nullptr;
  bool mLogging = false;
  VtString mSignature;
  VtString mAppSpecifier;
  bool mDeleting = false;
  std::mutex mDriving;
};

}  // namespace Velt
