#pragma once

#include <mutex>

#include "foundation/CLIParser.h"
#include "foundation/CString.h"

// The command line that arrived while the program runs (a second process,
// opened documents, a message), held until the movie has asked for command
// lines. Only the last line survives while the movie is not ready. Used
// from the main and the worker thread: a mutex guards the line and flag.
class CRuntimeCLIParser final : public CLIParser {
 public:
  static CRuntimeCLIParser* getInstance();

  // Replaces the pending line and its flag.
  void saveCommandLine(const char16_t* text, bool fromArguments) override;
  void getCommandLine(CString& out) override;
  // Hands the pending line to the movie and empties it; nothing when empty.
  void handleCommandLine() override;

  // A line from any source: saved, and handed over at once when the movie
  // is ready for command lines.
  void receive(const CString& line, bool fromArguments);

  // Sends "brioHandleCommandLine" [new id, line, "1" for the start-up line
  // or "0", "1" when built from arguments or "0"] without waiting.
  static void handOver(const CString& line, bool startup, bool fromArguments);

  // Empties the holder (tests).
  void resetForTest();

 private:
  CRuntimeCLIParser() = default;

  std::mutex m_mutex;
  // Held from taking a line to handing it over, so lines taken by the main
  // and the worker thread reach the movie in the order they were taken.
  std::mutex m_handOverMutex;
  bool m_fromArguments = false;
  CString m_CmdLine;
};
