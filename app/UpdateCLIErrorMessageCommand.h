#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalUpdateBrioErrorMessageToCLI" [id, message]: the movie's message
// becomes the engine's last error and, in a command-line run, goes to the
// standard error stream. Always answers "0".
class UpdateCLIErrorMessageCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalUpdateBrioErrorMessageToCLI"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override;
  void execute() override;

 private:
  CString m_message;
};
