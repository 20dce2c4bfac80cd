#pragma once

#include <atomic>

#include "messaging/Thread.h"
#include "messaging/VtString.h"

namespace Velt {

class ArborTalkContext;

// Sets the library up for one application: loads the connector's registry,
// completes the application's specifier, reads the launch parameters left
// for it and creates the context. It runs on the calling thread (runSetup)
// or on a thread of its own (startSetupThread), which whoever needs the
// context waits for. The timing is published under the ping key
// "SETUPTIME".
class ArborTalkSetupThread : public Thread {
 public:
  explicit ArborTalkSetupThread(const VtString& appSpecifier);
  ~ArborTalkSetupThread() override;

  static bool startSetupThread(const VtString& appSpecifier);
  static bool runSetup(const VtString& appSpecifier);
  static bool isSetupThreadRunning();
  // Whether the calling thread is running the set-up steps.
  static bool isSettingUp();
  // Whether a set-up thread exists (running or finished, not yet waited
  // for).
  static bool hasSetupThread();
  // Waits for the set-up thread and destroys it; a thread that could not
  // start counts as a failed set-up. Always true.
  static bool syncWithSetupThread();
  // The context the set-up made; null before, or when it failed.
  static ArborTalkContext* getSetupContext();
  // Forgets that the set-up has run, so the library can be set up again
  // after it was stopped.
  static void reset();
  // Publishes the timing under "SETUPTIME".
  static void saveSetupTime();

  void run() override;
  const VtString& getError() const { return mError; }
  bool isDone() const;

 private:
  static constexpr uint32_t kPollMs = 10;

  static void runSteps(const VtString& appSpecifier, VtString& error);

  VtString mSpecifier;
  VtString mError;
  std::atomic<bool> mDone{false};
};

}  // namespace Velt
