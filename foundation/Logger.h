#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

// The process-wide diagnostic log. It exists only when logging was switched
// on for the run: until then (and after finalize) getInstance() returns null
// and nothing is written. A caller writes a line only when getInstance()
// gives a logger and the switch of its level is on; write() does both
// checks.
//
// Each line: "[" level "] " time " (" source file "," line ") -" message,
// then a line end; the stream is flushed. Lines from several threads never
// mix: each is written whole under the logger's mutex.
class Logger {
 public:
  // The level switches; 0 and 3 exist but have no level word.
  enum Level { kLevel0 = 0, kDebug = 1, kInfo = 2, kLevel3 = 3, kError = 4, kFatal = 5 };
  static constexpr int kLevelCount = 6;

  // Makes the logger of a run with logging on, or returns null for a run
  // without. The first getInstance() calls it once; its answer holds for
  // the rest of the process.
  using SetUp = Logger* (*)();
  // Installs the set-up; must happen before the first getInstance().
  static void installSetUp(SetUp setUp);

  // The program's set-up, in force unless another is installed: logging is
  // on when the marker file "PlexoLog.YES" lies in the application folder
  // (gAppPath at the first getInstance()); the log is then
  // "Vesko/Plexar WB5/Plexar.log" in the user's application-data folder,
  // emptied for each run (LoggerSetUp.cpp).
  static Logger* setUpFromMarker();

  static Logger* getInstance();
  // Closes the log; getInstance() returns null from then on. A thread still
  // holding the old pointer may call it safely: its lines are dropped.
  static void finalize();

  // The current local time in ctime form without its line end.
  static std::string getCurrentTime();
  // "DEBUG", " INFO", "ERROR", "FATAL", or null for switches 0 and 3.
  static const char* levelWord(int level);

  // One line with the level's word when the logger exists and the level is
  // on; nothing otherwise.
  static void write(Level level, const std::string& message, const std::string& sourceFile,
                    int line);
  static void write(Level level, const std::u16string& message, const std::string& sourceFile,
                    int line);

  // Opens the log file for reading and writing, emptying it. A file that
  // cannot be opened gives a logger that writes nothing.
  explicit Logger(const std::string& path);
  // Writes to a stream of the caller's (tests).
  explicit Logger(std::unique_ptr<std::ostream> stream);
  virtual ~Logger();
  Logger(const Logger&) = delete;
  Logger& operator=(const Logger&) = delete;

  bool isOn(int level) const;
  void setOn(int level, bool on);

  void logMessage(const char* level, const std::string& message, const std::string& sourceFile,
                  int line);
  void logMessage(const char* level, const char* message, const std::string& sourceFile, int line);
  // UTF-16 text reaches the file as UTF-8; an unpaired surrogate as "?".
  void logMessage(const char* level, const char16_t* message, const std::string& sourceFile,
                  int line);
  void logMessage(const char* level, const std::u16string& message, const std::string& sourceFile,
                  int line);

  // Forgets the decision, the instance and the finalisation, and installs
  // setUp for the next getInstance(). Tests only; no other thread may log
  // meanwhile.
  static void resetForTest(SetUp setUp);

 private:
  void writeLine(const char* level, const std::string& message, const std::string& sourceFile,
                 int line);
  void close();

  std::mutex m_mutex;
  std::unique_ptr<std::ostream> m_stream;
  std::atomic<unsigned char> m_levels[kLevelCount];
};
