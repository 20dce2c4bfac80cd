#pragma once

#include "messaging/VtLockable.h"

namespace Velt {

// One messaging endpoint of an application. The classes it is the scope of
// are defined in their own headers.
class ArborTalk : public VtLockable {
 public:
  class Message;     // messaging/Message.h
  class MsgHandler;  // messaging/MsgHandler.h

  // The library's protocol version.
  static constexpr char kVersion[] = "2.0";
};

}  // namespace Velt
