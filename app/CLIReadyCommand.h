#pragma once

#include "app/CBrioCommand.h"

// "brioCommandLineRequestReady": the movie is ready for command lines. It
// gets the start-up line (again, each time it asks), "brioEnableUI", and the
// runtime line that waited for it; later lines are handed over at once.
class CLIReadyCommand final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "brioCommandLineRequestReady"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;
};
