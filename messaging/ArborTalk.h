#pragma once

#include "messaging/VtLockable.h"

namespace Velt {

class ArborTalkContext;

// One messaging endpoint of an application. The classes it is the scope of
// are defined in their own headers.
class ArborTalk : public VtLockable {
 public:
  class Message;     // messaging/Message.h
  class MsgHandler;  // messaging/MsgHandler.h
  class Specifier;   // messaging/Specifier.h

  // The library's protocol version.
  static constexpr char kVersion[] = "2.0";

  // The messaging state of this application: the current context, or null.
  static ArborTalkContext* getSharedContext();
  // Makes context current (see ArborTalkContext::setCurrentContext).
  static void setSharedContext(ArborTalkContext* context);
};

}  // namespace Velt
