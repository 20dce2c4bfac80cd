#include "platform/help/VeskoHelpClient.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex g_mutex;
platform::help::Record g_record;
int32_t g_initializeResult = 0;
int32_t g_displayResult = 0;
std::atomic<platform::help::LogSink> g_sink{nullptr};

void log(const std::string& line) {
  if (platform::help::LogSink sink = g_sink.load()) sink(line);
}

}  // namespace

int32_t InitializeVeskoHelpClient(const char* applicationKey, const char* locale,
                                  int32_t /*flags*/) {
  int32_t result;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_record.applicationKey = applicationKey ? applicationKey : "";
    g_record.locale = locale ? locale : "";
    result = g_initializeResult;
  }
  log(std::string("Help client for ") + (applicationKey ? applicationKey : "") + " in " +
      (locale ? locale : ""));
  return result;
}

int32_t DisplayVeskoHelpClientPage(const char* pageId) {
  int32_t result;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_record.page = pageId ? pageId : "";
    result = g_displayResult;
  }
  log(std::string("Help page ") + (pageId ? pageId : ""));
  return result;
}

namespace platform::help {

void setLogSink(LogSink sink) {
  g_sink.store(sink);
}

Record lastRecord() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_record;
}

void setResultsForTest(int32_t initializeResult, int32_t displayResult) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_initializeResult = initializeResult;
  g_displayResult = displayResult;
}

void resetForTest() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_record = Record{};
  g_initializeResult = 0;
  g_displayResult = 0;
  g_sink.store(nullptr);
}

}  // namespace platform::help
