#pragma once

#include <cstdint>

#include "messaging/ArborTalk.h"
#include "messaging/VtString.h"

namespace Velt {

// Receives the messages of one type, or only the one with a given serial
// number, for an application or for the library itself.
class ArborTalk::MsgHandler : public VtHeap {
 public:
  ~MsgHandler() override;

  // Called when the handler is registered with an instance.
  virtual void initialize(ArborTalk* instance);
  // Handles one message; 0 is success, any other value an error code. The
  // handler may write a result text into answer.
  virtual int handleMessage(int reason, Message& message, VtString* answer) = 0;
  // The type of the messages taken: "Orrery" unless overridden.
  virtual VtString getMsgType() const;
  // The one serial number waited for; 0xFFFFFFFF: every message of the type.
  virtual uint32_t getSerialNumber() const;
};

}  // namespace Velt
