#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalPackageExtension" [id, description, package, "kxp" or "yxp"]:
// builds the package; answers "0" when it was made, "1" otherwise.
class CPackageCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalPackageExtension"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  // False (no answer) when an argument is missing.
  bool parseArguments() override;
  void execute() override;
  void SetResponse(bool ok);

 private:
  // Tells the person a path is not valid and waits for the answer.
  void promptPathFailedMsg(const CString& path);

  CString m_source;
  CString m_destination;
  CString m_packageType;
};
