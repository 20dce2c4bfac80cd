#pragma once

#include "app/CRemoveExCommand.h"

// "externalDisableExtension": disables an installed extension.
class CDisableExCommand : public CRemoveExCommand {
 public:
  const char* getCommandName() const override { return "externalDisableExtension"; }
  void execute() override;
};
