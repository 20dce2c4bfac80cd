#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/AppleEvents.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/SingleInstance.h"

// The program's entry: the start-up (crash reporter, single instance, the
// application folder, messaging, the UI framework, the start-up command
// line, the window and its movie), the event loop, and the teardown.
class PlexarApp {
 public:
  // A second process that handed its command line to the first one.
  static constexpr int kForwardedStatus = 7;
  // The start-up failed.
  static constexpr int kStartupFailedStatus = -1;
  static constexpr const char* kMessagingSpecifier = "plexo-5.0";
  static constexpr uint32_t kPlexarCreator = platform::fourCC("PqR5");
  // The per-user lock and socket of the running instance.
  static constexpr const char* kInstanceName = "Plexar";
  // How long a second process tries to reach a first one that is still
  // starting.
  static constexpr uint32_t kForwardTimeoutMs = 5000;
  // How long the shutdown waits for the command that runs to finish or
  // roll back before the process ends regardless.
  static constexpr uint32_t kWorkerStopBoundMs = 30000;

  PlexarApp() = delete;

  // Runs the program and returns its exit status.
  static int main(int argc, const char* const* argv);

  // What a second process forwards: its arguments joined by "\n", then
  // "\n", "-CurrDir=" and the quoted current folder. An argument that holds
  // a newline or starts with a double quote is quoted, so it stays whole.
  static std::string forwardedCommandLine(const std::vector<std::string>& arguments,
                                          const std::string& currentFolder);
  // The start-up command line: the launch options when there are any
  // (fromArguments false), else the arguments joined by "\n", quoted as
  // above (fromArguments true when there was at least one).
  static std::string startupCommandLine(const std::vector<std::string>& arguments,
                                        const std::string& launchOptions, bool& fromArguments);
  // The bundle's Resources folder beside the folder of the executable
  // (gAppPath, ending in "/").
  static std::string resourcesFolder(const std::string& appPath);

  // The open-documents event a message of a later process becomes: a
  // forwarded line as the text parameter 'prod', documents as a list of
  // files in the direct object.
  static platform::AppleEvent openEventFor(const platform::SingleInstance::Message& message);

  // Stops the worker and runs the main loop until the worker has ended or
  // boundMs pass on the current clock; false in that case.
  static bool finishWorker(uint32_t boundMs);
  // The bound the end of the program gives the worker (kWorkerStopBoundMs
  // unless a test shortens it).
  static void setWorkerStopBoundMs(uint32_t boundMs);
};

// True when another Plexar process of this user runs (it holds the
// per-user lock); this process then holds nothing.
bool checkPlexarIsRunning();
// Hands a command line to the running instance; errors are not reported.
// A null text does nothing.
void launchPlexar(const char16_t* text);
