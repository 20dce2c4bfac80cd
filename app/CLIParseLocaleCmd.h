#pragma once

#include "app/CBrioCommand.h"

// The start-up request that has the movie read a locale asked for on the
// command line; made on the stack for one request, never queued.
class CLIParseLocaleCmd final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "brioParseLocale"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {}
};
