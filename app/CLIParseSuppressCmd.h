#pragma once

#include "app/CBrioCommand.h"

// The start-up request that has the movie read suppress mode from the
// command line; made on the stack for one request, never queued.
class CLIParseSuppressCmd final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "brioParseSuppress"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {}
};
