#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

// Reads lines from a file descriptor (standard input by default) on a
// thread of its own and hands each to a callback, so that whoever waits for
// a person's answer never blocks its own thread. The end of the input is
// reported once, with eof set. stop() ends the reading at once, also while
// the thread waits for input, and joins it.
class LineReader {
 public:
  // A line without its line end; at the end of the input an empty text and
  // eof true. Called on the reader's thread.
  using Handler = std::function<void(const std::string& line, bool eof)>;

  // Longer lines are cut to this many bytes; the rest of such a line is
  // read and dropped.
  static constexpr size_t kMaxLineBytes = 64u << 10;

  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Starts reading fd (not owned; 0 for standard input). 0, or a Mac status
  // when the reader can't be started. A second start while running does
  // nothing.
  int32_t start(int fd, Handler handler);
  void stop();
  bool running() const;

 private:
  void run(int fd);

  mutable std::mutex m_mutex;
  Handler m_handler;
  std::thread m_thread;
  int m_wakeRead = -1;
  int m_wakeWrite = -1;
};

}  // namespace platform
