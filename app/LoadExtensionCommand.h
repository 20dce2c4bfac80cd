#pragma once

#include "app/CBrioCommand.h"

// "externalLoadExtension" [id]: reads every product's installed extensions
// again; always answers "0" once the engine ran.
class LoadExtensionCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalLoadExtension"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;
  void SetResponse(bool ok);
};
