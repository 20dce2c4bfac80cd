#include "messaging/LaunchReceivedMsgHandler.h"

#include "messaging/ArborTalkData.h"
#include "messaging/Launcher.h"
#include "messaging/Message.h"

namespace Velt::ArborTalkUtils {

LaunchReceivedMsgHandler::LaunchReceivedMsgHandler(uint32_t serial) : mSerial(serial) {}

int LaunchReceivedMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString*) {
  Launcher::Outlet* outlet = Launcher::getOutlet();
  if (!outlet) return 0;
  const VtString timeout(ArborTalkData::kTypeTimeout);
  delete outlet->removeHandler(message.mTarget, timeout, mSerial);
  for (uint32_t companion : mCompanions) {
    delete outlet->removeHandler(message.mTarget, timeout, companion);
    outlet->removeOutgoingMessage(message.mTarget, companion);
  }
  return 0;
}

VtString LaunchReceivedMsgHandler::getMsgType() const {
  return VtString(ArborTalkData::kTypeReceived);
}

uint32_t LaunchReceivedMsgHandler::getSerialNumber() const {
  return mSerial;
}

void LaunchReceivedMsgHandler::addCompanions(const std::vector<uint32_t>& serials) {
  mCompanions = serials;
}

}  // namespace Velt::ArborTalkUtils
