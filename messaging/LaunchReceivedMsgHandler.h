#pragma once

#include <cstdint>
#include <vector>

#include "messaging/MsgHandler.h"

namespace Velt::ArborTalkUtils {

// Watches a launch-parameter message for its acknowledgement: once the
// launched application has taken it, the time-out watchers of it and of its
// companions are dropped, and so are the companions still queued.
class LaunchReceivedMsgHandler : public ArborTalk::MsgHandler {
 public:
  explicit LaunchReceivedMsgHandler(uint32_t serial);

  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
  uint32_t getSerialNumber() const override;

  // Replaces the companions by a copy of serials.
  void addCompanions(const std::vector<uint32_t>& serials);
  const std::vector<uint32_t>& getCompanions() const { return mCompanions; }

 private:
  uint32_t mSerial;
  std::vector<uint32_t> mCompanions;
};

}  // namespace Velt::ArborTalkUtils
