#pragma once

#include <functional>
#include <memory>
#include <string>

class IEngine;

// What the start-up takes from parts of the program that are wired in
// elsewhere: the engine object, which the start-up makes and destroys
// itself, and the messaging library's start-up with its launch options.
// Until they are installed there is no engine (the worker's start-up then
// fails), the messaging start-up succeeds without doing anything, and
// there are no launch options.
class AppServices {
 public:
  using MakeEngine = std::function<std::unique_ptr<IEngine>()>;
  // Sets up messaging under the program's specifier; true on success.
  using InitMessaging = std::function<bool(const std::string& specifier)>;
  // The options a launching application passed (UTF-8), empty for none.
  using LaunchOptions = std::function<std::string()>;

  AppServices() = delete;

  static void setMakeEngine(MakeEngine make);
  static void setMessaging(InitMessaging init, LaunchOptions options);

  static std::unique_ptr<IEngine> makeEngine();
  static bool initMessaging(const std::string& specifier);
  static std::string launchOptions();
};
