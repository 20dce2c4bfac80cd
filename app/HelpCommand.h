#pragma once

#include <cstdint>

#include "app/CBrioCommand.h"

// "externalShowHelp" [id]: opens the program's help in the locale of the
// start-up, "en_us" when none was chosen. Never answers.
class HelpCommand : public CBrioCommand {
 public:
  // Room for the locale code in the help client's call, its zero included.
  static constexpr size_t kLocaleBytes = 10;

  const char* getCommandName() const override { return "externalShowHelp"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;
};
