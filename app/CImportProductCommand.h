#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalImportProduct" [id, host folder]: registers a further host
// installation by its folder; always answers "0" once the engine ran.
class CImportProductCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalImportProduct"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  // False (no answer) without the folder.
  bool parseArguments() override;
  void execute() override;
  void SetResponse(bool ok);

 private:
  CString m_folder;
};
