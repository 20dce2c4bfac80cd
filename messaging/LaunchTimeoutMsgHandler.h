#pragma once

#include <cstdint>

#include "messaging/MsgHandler.h"

namespace Velt {

class BaseInterAppStream;

namespace ArborTalkUtils {

// Watches a launch-parameter message for its time-out. With a launch queue
// name it owns the marker port of that name (suffix "haslaunchparams") for
// as long as it lives, which tells the launched application that parameters
// wait for it.
class LaunchTimeoutMsgHandler : public ArborTalk::MsgHandler {
 public:
  LaunchTimeoutMsgHandler(const VtString& key, uint32_t serial, const VtString& queueName);
  LaunchTimeoutMsgHandler(const LaunchTimeoutMsgHandler&) = delete;
  LaunchTimeoutMsgHandler& operator=(const LaunchTimeoutMsgHandler&) = delete;
  // Gives the marker port up and clears the ping value of the key.
  ~LaunchTimeoutMsgHandler() override;

  // The message timed out: clears the ping value of the key, drops the
  // addressed instance's "Received" handler of the serial number, and
  // answers "LAUNCHED".
  int handleMessage(int reason, ArborTalk::Message& message, VtString* answer) override;
  VtString getMsgType() const override;
  uint32_t getSerialNumber() const override;

  // Whether it owns the marker port.
  bool hasMarker() const;

 private:
  VtString mKey;
  uint32_t mSerial;
  BaseInterAppStream* mMarker = nullptr;
};

}  // namespace ArborTalkUtils
}  // namespace Velt
