#pragma once

#include <string>

#include "foundation/CZorbFile.h"

// The log of errors of command-line runs: "Vesko:Plexar WB5:CLIPlexar.log"
// in the user's application-data folder, UTF-8, made anew in each run.
class CLIErrorLogger : public CZorbFile {
 public:
  // The log, made on first use; null when it cannot be opened, and from
  // then on for the rest of the process, or after finalize.
  static CLIErrorLogger* getInstance();
  // Closes the log; a pointer still held elsewhere writes nothing from then on.
  static void finalize();

  // Opens the path as a new file (an earlier log is replaced).
  explicit CLIErrorLogger(const CString& path);
  ~CLIErrorLogger() override;

  // "VESKO PLEXAR ", a line of 35 hyphens, then the message, each on a line.
  // Messages from several threads never mix.
  void logMessage(const CString& message);
  static std::string getCurrentTime();

  bool IsUsable() const { return m_usable; }

  // Forgets the instance and the finalisation. Tests only.
  static void resetForTest();

 private:
  bool m_usable = true;
};
