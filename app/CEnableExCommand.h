#pragma once

#include "app/CRemoveExCommand.h"

// "externalEnableExtension": enables a disabled extension again.
class CEnableExCommand : public CRemoveExCommand {
 public:
  const char* getCommandName() const override { return "externalEnableExtension"; }
  void execute() override;
};
