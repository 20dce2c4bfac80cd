#pragma once

// The log written to a string for tests that check what was logged.
// Header-only as the test support library sits below the log's library.

#include <memory>
#include <sstream>
#include <string>

#include "foundation/CString.h"
#include "foundation/Logger.h"

namespace testsupport {

// The stream behind the log LogToString made last; the test clears it when
// it resets the log.
inline std::ostringstream*& CapturedLogStream() {
  static std::ostringstream* stream = nullptr;
  return stream;
}

// For Logger::resetForTest: a log that writes into CapturedLogStream().
inline Logger* LogToString() {
  auto stream = std::make_unique<std::ostringstream>();
  CapturedLogStream() = stream.get();
  return new Logger(std::move(stream));
}

// What was logged so far; empty when nothing captures the log.
inline std::string CapturedLog() {
  const std::ostringstream* stream = CapturedLogStream();
  return stream ? stream->str() : std::string();
}

// text with every unit beyond ASCII as '?', for readable comparisons.
inline std::string NarrowAscii(const CString& text) {
  std::string out;
  for (const char16_t* p = text.Get(); p && *p; ++p) out += *p < 0x80 ? static_cast<char>(*p) : '?';
  return out;
}

}  // namespace testsupport
