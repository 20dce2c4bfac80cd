#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// SIGINT and SIGTERM for a program that ends in order: the first of them
// is handed to a handler on a thread of its own (never inside the signal
// handler), so the program can run its shutdown; any later one ends the
// process at once with status 128 + the signal number, for a shutdown that
// hangs.
class TerminationSignals {
 public:
  using Handler = std::function<void(int signal)>;

  TerminationSignals() = delete;

  // Installs the handling; noErr, or a status (nothing is installed then).
  // Installing again replaces the handler and forgets earlier signals.
  static int32_t install(Handler handler);
  // Gives both signals their default action back and stops the thread.
  static void uninstall();
};

// Ends the process at once with the status: no destructors, no exit
// handlers, nothing flushed that the caller did not flush.
[[noreturn]] void exitNow(int status);

}  // namespace platform
