#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalImportProduct" [id, host folder]: registers a further host
// installation by its folder; answers "0" when the engine took it (or had
// it already), "1" when it did not.
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
