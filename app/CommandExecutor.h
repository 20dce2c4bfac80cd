#pragma once

#include <memory>
#include <thread>

#include "app/LumenExternalInterface.h"

class CBrioCommand;

// The one worker thread that runs every command, in arrival order, while
// the main thread keeps the movie responsive.
class CommandExecutor {
 public:
  using request_t = vesko::tamb_canvas::lumen_external_interface::request_t;

  virtual ~CommandExecutor() = default;

  // Starts the worker; false when it could not be started.
  virtual bool start() = 0;
  // Queues a command; the queue owns it and deletes it once it has run. A
  // null command is ignored.
  virtual void postMessage(std::unique_ptr<CBrioCommand> cmd) = 0;
  // Hands a call to the movie to the main thread.
  virtual void postMessageToMainThread(std::unique_ptr<request_t> request) = 0;
  // The worker's thread, once started.
  virtual bool getThreadID(std::thread::id* out) = 0;

  // The worker's first job: the front controller's start-up hand-shake,
  // then "brioNotifyReady" to the movie. False when the start-up failed.
  static bool init();
};
