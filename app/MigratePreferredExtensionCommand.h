#pragma once

#include "app/CBrioCommand.h"

// "externalMigratePreferredExtension" [id]: migrates the packages of the
// hosts' preferred folders; always answers "0" once the engine ran.
class MigratePreferredExtensionCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalMigratePreferredExtension"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;
  void SetResponse(bool ok);
};
