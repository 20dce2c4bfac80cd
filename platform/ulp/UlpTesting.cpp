#include "platform/ulp/UlpTesting.h"

#include <mutex>

namespace ulp::testing {

namespace {

struct Hooks {
  std::mutex mutex;
  int32_t initializeResult = 0;
  bool stageFails = false;
  size_t uncaught = 0;
  std::string lastUncaught;
};

Hooks& hooks() {
  static Hooks* h = new Hooks;
  return *h;
}

}  // namespace

void setInitializeResult(int32_t code) {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  hooks().initializeResult = code;
}

void setStageFails(bool fails) {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  hooks().stageFails = fails;
}

size_t uncaughtScriptErrors() {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  return hooks().uncaught;
}

std::string lastUncaughtScriptError() {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  return hooks().lastUncaught;
}

void reset() {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  hooks().initializeResult = 0;
  hooks().stageFails = false;
  hooks().uncaught = 0;
  hooks().lastUncaught.clear();
}

int32_t initializeResult() {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  return hooks().initializeResult;
}

bool stageFails() {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  return hooks().stageFails;
}

void recordUncaught(const std::string& text) {
  std::lock_guard<std::mutex> lock(hooks().mutex);
  ++hooks().uncaught;
  hooks().lastUncaught = text;
}

}  // namespace ulp::testing
