#pragma once

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

// "externalSendAKMessage" [id, source type, product, exit code, error,
// message]: sends the response of the operation a host asked for to that
// host. "0" once sent on its way, "2" for a missing or unknown source type.
class SendAKMessageCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalSendAKMessage"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override;
  void execute() override;

  // Source types: a messaging specifier, a product name, or none.
  enum : int { kBySpecifier = 0, kByProductName = 1, kNotValid = 2 };

 private:
  int m_sourceType = kNotValid;
  CString m_productName = u"UnKnown";
  CString m_exitCode = u"0";
  CString m_errorText;
  CString m_message = u"0";
};
