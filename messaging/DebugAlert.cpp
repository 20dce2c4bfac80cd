#include "messaging/DebugAlert.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

namespace Velt {

namespace {

// Tests and the program install the hook while library threads may run.
std::atomic<DebugAlertFunc> gAlertFunc{nullptr};

constexpr std::size_t kMaxAlertText = 255;

bool debuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) {
      for (std::size_t i = 10; i < line.size(); ++i) {
        if (line[i] >= '1' && line[i] <= '9') return true;
      }
      return false;
    }
  }
  return false;
}

}  // namespace

void setDebugAlertFunc(DebugAlertFunc func) {
  gAlertFunc.store(func);
}

DebugAlertFunc getDebugAlertFunc() {
  return gAlertFunc.load();
}

void debugAlert(const char* message, const char* file, int line) {
  if (!message) message = "";
  char text[kMaxAlertText + 1];
  if (file && line != 0)
    std::snprintf(text, sizeof text, "+++ Assert in file %s, line %d\n+++ %s\n", file, line,
                  message);
  else
    std::snprintf(text, sizeof text, "+++ Assert\n+++ %s\n", message);

  if (DebugAlertFunc func = gAlertFunc.load())
    func(text);
  else
    debugStr(text);
}

void debugStr(const char* text) {
  if (!text) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

bool isDebugging() {
  return true;
}

void debugBreak() {
  // Without a debugger the trap would end the process.
  if (debuggerAttached()) std::raise(SIGTRAP);
}

}  // namespace Velt
