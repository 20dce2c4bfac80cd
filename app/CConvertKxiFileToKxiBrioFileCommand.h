#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalConvertKxiFileToKxiBrioFile" [id, description, folder]: writes
// the description without its configuration changes as <name>.kxi_brio
// into the folder; "0" when written, "1" otherwise.
class CConvertKxiFileToKxiBrioFileCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalConvertKxiFileToKxiBrioFile"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override;
  void execute() override;
  void SetResponse(bool ok);

 private:
  CString m_source;
  CString m_destinationFolder;
};
