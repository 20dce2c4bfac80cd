#include "messaging/MsgHandler.h"

#include "messaging/ArborTalkData.h"

namespace Velt {

ArborTalk::MsgHandler::~MsgHandler() = default;

void ArborTalk::MsgHandler::initialize(ArborTalk*) {}

VtString ArborTalk::MsgHandler::getMsgType() const {
  return VtString(ArborTalkData::kTypeOrrery);
}

uint32_t ArborTalk::MsgHandler::getSerialNumber() const {
  return ArborTalkData::AK_INVALID_MESSAGE_NUMBER;
}

}  // namespace Velt
