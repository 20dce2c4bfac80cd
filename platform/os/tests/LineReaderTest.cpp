#include "platform/os/LineReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Collected {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> lines;
  int ends = 0;

  platform::LineReader::Handler handler() {
    return [this](const std::string& line, bool eof) {
      std::lock_guard<std::mutex> lock(mutex);
      if (eof)
        ++ends;
      else
        lines.push_back(line);
      changed.notify_all();
    };
  }
  bool waitForEnd() {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(30), [this] { return ends > 0; });
  }
};

TEST(LineReader, DeliversLinesThenTheEndOnce) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  Collected got;
  platform::LineReader reader;
  ASSERT_EQ(reader.start(fds[0], got.handler()), 0);
  const std::string longLine(platform::LineReader::kMaxLineBytes + 10, 'x');
  const std::string input = "yes\r\n\nsecond\n" + longLine + "\nlast without end";
  ASSERT_EQ(::write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  ::close(fds[1]);
  ASSERT_TRUE(got.waitForEnd());
  reader.stop();
  ::close(fds[0]);
  ASSERT_EQ(got.lines.size(), 5u);
  EXPECT_EQ(got.lines[0], "yes");
  EXPECT_EQ(got.lines[1], "");
  EXPECT_EQ(got.lines[2], "second");
  // A line too long is cut, not kept whole in memory.
  EXPECT_EQ(got.lines[3].size(), platform::LineReader::kMaxLineBytes);
  EXPECT_EQ(got.lines[4], "last without end");
  EXPECT_EQ(got.ends, 1);
}

TEST(LineReader, StopsWhileWaitingForInput) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  Collected got;
  platform::LineReader reader;
  ASSERT_EQ(reader.start(fds[0], got.handler()), 0);
  EXPECT_TRUE(reader.running());
  reader.stop();
  EXPECT_FALSE(reader.running());
  // Stopped is not the end of the input, and a second stop does nothing.
  EXPECT_EQ(got.ends, 0);
  reader.stop();
  ::close(fds[0]);
  ::close(fds[1]);
}

}  // namespace
