#include "foundation/Logger.h"

#include "platform/os/Utf.h"

#include <ctime>
#include <fstream>
#include <vector>

namespace {

struct LoggerState {
  std::mutex mutex;
  Logger::SetUp setUp = &Logger::setUpFromMarker;
  std::unique_ptr<std::once_flag> once = std::make_unique<std::once_flag>();
  std::atomic<Logger*> instance{nullptr};
  std::atomic<bool> finalized{false};
  // Closed loggers stay allocated until exit, so a pointer a thread still
  // holds never dangles.
  std::vector<std::unique_ptr<Logger>> retired;
};

LoggerState& state() {
  static LoggerState* s = new LoggerState;  // never destroyed: threads may log during exit
  return *s;
}

}  // namespace

void Logger::installSetUp(SetUp setUp) {
  LoggerState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  s.setUp = setUp;
}

// Set when this thread runs the set-up: whatever the set-up calls may log,
// and must get null rather than wait for itself.
thread_local bool t_inSetUp = false;

Logger* Logger::getInstance() {
  if (t_inSetUp) return nullptr;
  LoggerState& s = state();
  std::call_once(*s.once, [&s] {
    SetUp setUp;
    {
      std::lock_guard<std::mutex> g(s.mutex);
      setUp = s.setUp;
    }
    t_inSetUp = true;
    Logger* made = nullptr;
    try {
      made = setUp != nullptr ? setUp() : nullptr;
    } catch (...) {
      t_inSetUp = false;
      throw;
    }
    t_inSetUp = false;
    std::lock_guard<std::mutex> g(s.mutex);
    if (made != nullptr) s.retired.emplace_back(made);
    s.instance.store(made);
  });
  if (s.finalized.load()) return nullptr;
  return s.instance.load();
}

void Logger::finalize() {
  LoggerState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  s.finalized.store(true);
  Logger* l = s.instance.exchange(nullptr);
  if (l != nullptr) l->close();
}

void Logger::resetForTest(SetUp setUp) {
  LoggerState& s = state();
  std::lock_guard<std::mutex> g(s.mutex);
  if (Logger* l = s.instance.exchange(nullptr)) l->close();
  s.retired.clear();
  s.finalized.store(false);
  s.once = std::make_unique<std::once_flag>();
  s.setUp = setUp;
}

std::string Logger::getCurrentTime() {
  std::time_t now = std::time(nullptr);
  char buf[64] = {0};
  if (ctime_r(&now, buf) == nullptr) return "";
  std::string t(buf);
  if (!t.empty() && t.back() == '\n') t.pop_back();
  return t;
}

const char* Logger::levelWord(int level) {
  switch (level) {
    case kDebug:
      return "DEBUG";
    case kInfo:
      return " INFO";
    case kError:
      return "ERROR";
    case kFatal:
      return "FATAL";
    default:
      return nullptr;
  }
}

void Logger::write(Level level, const std::string& message, const std::string& sourceFile,
                   int line) {
  Logger* l = getInstance();
  const char* word = levelWord(level);
  if (l != nullptr && word != nullptr && l->isOn(level))
    l->logMessage(word, message, sourceFile, line);
}

void Logger::write(Level level, const std::u16string& message, const std::string& sourceFile,
                   int line) {
  Logger* l = getInstance();
  const char* word = levelWord(level);
  if (l != nullptr && word != nullptr && l->isOn(level))
    l->logMessage(word, message, sourceFile, line);
}

Logger::Logger(const std::string& path)
    : m_stream(std::make_unique<std::fstream>(
          path, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary)) {
  for (auto& l : m_levels) l.store(1);
}

Logger::Logger(std::unique_ptr<std::ostream> stream) : m_stream(std::move(stream)) {
  for (auto& l : m_levels) l.store(1);
}

Logger::~Logger() = default;

bool Logger::isOn(int level) const {
  return level >= 0 && level < kLevelCount && m_levels[level].load() != 0;
}

void Logger::setOn(int level, bool on) {
  if (level >= 0 && level < kLevelCount) m_levels[level].store(on ? 1 : 0);
}

void Logger::close() {
  std::lock_guard<std::mutex> g(m_mutex);
  if (m_stream) m_stream->flush();
  m_stream.reset();
}

void Logger::writeLine(const char* level, const std::string& message, const std::string& sourceFile,
                       int line) {
  std::string text;
  text.reserve(message.size() + sourceFile.size() + 64);
  text += '[';
  text += level != nullptr ? level : "";
  text += "] ";
  text += getCurrentTime();
  text += " (";
  text += sourceFile;
  text += ',';
  text += std::to_string(line);
  text += ") -";
  text += message;
  text += '\n';
  std::lock_guard<std::mutex> g(m_mutex);
  if (!m_stream) return;
  m_stream->write(text.data(), static_cast<std::streamsize>(text.size()));
  m_stream->flush();
}

void Logger::logMessage(const char* level, const std::string& message,
                        const std::string& sourceFile, int line) {
  writeLine(level, message, sourceFile, line);
}

void Logger::logMessage(const char* level, const char* message, const std::string& sourceFile,
                        int line) {
  writeLine(level, message != nullptr ? std::string(message) : std::string(), sourceFile, line);
}

void Logger::logMessage(const char* level, const char16_t* message, const std::string& sourceFile,
                        int line) {
  const std::u16string_view text =
      message != nullptr ? std::u16string_view(message) : std::u16string_view();
  writeLine(level, platform::utf16ToUtf8Lossy(text, U'?'), sourceFile, line);
}

void Logger::logMessage(const char* level, const std::u16string& message,
                        const std::string& sourceFile, int line) {
  writeLine(level, platform::utf16ToUtf8Lossy(message, U'?'), sourceFile, line);
}
