#include "app/AppServices.h"

#include <mutex>
#include <utility>

#include "app/IEngine.h"

namespace {

struct Services {
  std::mutex mutex;
  AppServices::MakeEngine makeEngine;
  AppServices::InitMessaging initMessaging;
  AppServices::LaunchOptions launchOptions;
};

Services& services() {
  static Services* s = new Services;
  return *s;
}

}  // namespace

void AppServices::setMakeEngine(MakeEngine make) {
  std::lock_guard<std::mutex> lock(services().mutex);
  services().makeEngine = std::move(make);
}

void AppServices::setMessaging(InitMessaging init, LaunchOptions options) {
  std::lock_guard<std::mutex> lock(services().mutex);
  services().initMessaging = std::move(init);
  services().launchOptions = std::move(options);
}

std::unique_ptr<IEngine> AppServices::makeEngine() {
  MakeEngine make;
  {
    std::lock_guard<std::mutex> lock(services().mutex);
    make = services().makeEngine;
  }
  return make ? make() : nullptr;
}

bool AppServices::initMessaging(const std::string& specifier) {
  InitMessaging init;
  {
    std::lock_guard<std::mutex> lock(services().mutex);
    init = services().initMessaging;
  }
  return init ? init(specifier) : true;
}

std::string AppServices::launchOptions() {
  LaunchOptions options;
  {
    std::lock_guard<std::mutex> lock(services().mutex);
    options = services().launchOptions;
  }
  return options ? options() : std::string();
}
