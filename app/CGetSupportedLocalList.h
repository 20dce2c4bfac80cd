#pragma once

#include "app/CBrioCommand.h"

// The start-up request for the locales the movie offers.
class CGetSupportedLocalList final : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "brioGetLocaleList"; }
  const char* getCommandCBName() const override { return "externalCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {}

  // Worker thread: asks the movie and, for an answer [id, status other
  // than "1", "en_US,de_DE,..."], adds the locales to the program's list.
  void getLocaleListAndStore();
};
