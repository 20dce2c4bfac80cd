#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "messaging/DebugAlert.h"

// Installs an alert hook for the scope and records every alert text.
class AlertCapture {
 public:
  AlertCapture() {
    {
      std::lock_guard<std::mutex> guard(mutex());
      texts().clear();
    }
    mPrevious = Velt::getDebugAlertFunc();
    Velt::setDebugAlertFunc(&record);
  }
  ~AlertCapture() { Velt::setDebugAlertFunc(mPrevious); }

  std::vector<std::string> alerts() const {
    std::lock_guard<std::mutex> guard(mutex());
    return texts();
  }

  int count(const std::string& needle) const {
    int n = 0;
    for (const std::string& text : alerts()) n += text.find(needle) != std::string::npos ? 1 : 0;
    return n;
  }

  static std::atomic<int>& total() {
    static std::atomic<int> n{0};
    return n;
  }

 private:
  static void record(const char* text) {
    {
      std::lock_guard<std::mutex> guard(mutex());
      texts().push_back(text);
    }
    ++total();
  }
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::string>& texts() {
    static std::vector<std::string> t;
    return t;
  }

  Velt::DebugAlertFunc mPrevious;
};
