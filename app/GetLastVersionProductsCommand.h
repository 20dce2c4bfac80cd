#pragma once

#include <string>
#include <vector>

#include "app/CBrioCommand.h"

class CZorbPlexar;

// "externalGetLastVersionPointProducts": name, family, version and store
// folder of every product with a store that the previous suite supported.
class GetLastVersionProductsCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalGetLastVersionPointProducts"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override { SetResponse(true); }
  // Builds and sends the list.
  void SetResponse(bool done);

  // The reply after the request id: "0" and the entries.
  static std::vector<std::string> BuildReply(const CZorbPlexar& engine);
};
