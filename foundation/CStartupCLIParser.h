#pragma once

#include "foundation/CLIParser.h"
#include "foundation/CString.h"

// The command line the program was started with, held for the whole run,
// and the UI locale code chosen at start-up.
class CStartupCLIParser : public CLIParser {
 public:
  // Hands the start-up line to the movie; the application shell installs
  // it. fromArguments tells how the line was built.
  using HandOver = void (*)(const CString& line, bool fromArguments);

  // The single parser, made on first use and never freed.
  static CStartupCLIParser* getInstance();
  static void setHandOver(HandOver handOver);

  // Keeps text, then "\n" (from arguments) or " ", then -CurrDir= and the
  // current folder quoted (see CLIParser::quote). Nothing is kept when the
  // current folder cannot be read. Called once at start-up, before any
  // other thread exists; read-only afterwards.
  void saveCommandLine(const char16_t* text, bool fromArguments) override;
  void getCommandLine(CString& out) override;
  // Gives the line to the movie again; nothing when it is empty.
  void handleCommandLine() override;

  bool isFromArguments() const { return m_fromArguments; }
  const CString& getLocaleCode() const { return m_localeCode; }
  void setLocaleCode(const CString& code) { m_localeCode = code; }

  bool m_fromArguments = false;
  CString m_CmdLine;
  // Set by the front controller's start-up before the string table loads.
  CString m_localeCode;

 private:
  CStartupCLIParser() = default;
};
