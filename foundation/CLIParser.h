#pragma once

#include "foundation/CString.h"

// Holds one command line until the movie is given it.
class CLIParser {
 public:
  virtual ~CLIParser() = default;
  virtual void saveCommandLine(const char16_t* text, bool fromArguments) = 0;
  virtual void getCommandLine(CString& out) = 0;
  virtual void handleCommandLine() = 0;

  // The text as one quoted command-line argument: a double quote, the text
  // with each "\" written "\\" and each double quote written "\"", and a
  // double quote, so that any folder or file name reads back unchanged.
  static CString quote(const CString& text);
};
