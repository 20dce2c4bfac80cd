#pragma once

// A program run from a terminal, for the end-to-end tests: standard input
// and output are pipes the test holds, standard error is dropped.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace endtoend {

class Terminal {
 public:
  Terminal(const std::string& program, const std::vector<std::string>& arguments,
           const std::string& folder) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 2);
      if (::chdir(folder.c_str()) != 0) ::_exit(127);
      ::execv(raw[0], raw.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_input = in[1];
    m_output = out[0];
    m_reader = std::thread([this] {
      char buffer[4096];
      for (;;) {
        const ssize_t n = ::read(m_output, buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_text.append(buffer, static_cast<size_t>(n));
        m_changed.notify_all();
      }
      std::lock_guard<std::mutex> lock(m_mutex);
      m_ended = true;
      m_changed.notify_all();
    });
  }
  ~Terminal() {
    if (m_input >= 0) ::close(m_input);
    if (m_pid > 0 && !m_reaped) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_reader.joinable()) m_reader.join();
    if (m_output >= 0) ::close(m_output);
  }
  bool started() const { return m_pid > 0; }
  // Waits, on the real clock as the program works, until its output holds
  // the text.
  bool waitFor(const std::string& text) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(60), [&] {
      return m_text.find(text) != std::string::npos || m_ended;
    }) && m_text.find(text) != std::string::npos;
  }
  void type(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(m_input, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  // The exit status once the program ended.
  int wait() {
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_reaped = true;
    if (m_reader.joinable()) m_reader.join();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string output() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
  }

 private:
  pid_t m_pid = -1;
  bool m_reaped = false;
  int m_input = -1;
  int m_output = -1;
  std::thread m_reader;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::string m_text;
  bool m_ended = false;
};

}  // namespace endtoend
