#pragma once

#include <string>
#include <vector>

#include "app/CBrioCommand.h"

class CString;
class CZorbPlexar;

// "externalGetSupportedProducts": one entry per installed, supported host
// product of the engine, last registered first. An entry is "0" and fifteen
// texts of the product, or "1" and a message for a product that failed to
// set itself up or whose folders have no POSIX form.
class CGetProductsCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalGetSupportedProducts"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;

  // The reply after the request id: "0" and the entries.
  static std::vector<std::string> BuildReply(const CZorbPlexar& engine);
  // Appends the UTF-8 form of the text (logged).
  static void pushParameters(std::vector<std::string>& reply, const CString& text);
};
