#include "messaging/LaunchTimeoutMsgHandler.h"

#include "messaging/ArborTalkData.h"
#include "messaging/InterAppStream.h"
#include "messaging/Launcher.h"
#include "messaging/Message.h"
#include "messaging/Specifier.h"

namespace Velt::ArborTalkUtils {

namespace {

constexpr char kMarkerSuffix[] = "haslaunchparams";
constexpr char kLaunchedAnswer[] = "LAUNCHED";

void clearPingValue(const VtString& key) {
  if (Launcher::Outlet* outlet = Launcher::getOutlet()) outlet->setPingValue(key, VtString());
}

}  // namespace

LaunchTimeoutMsgHandler::LaunchTimeoutMsgHandler(const VtString& key, uint32_t serial,
                                                 const VtString& queueName)
    : mKey(key), mSerial(serial) {
  if (queueName.length() == 0) return;
  ArborTalk::Specifier marker(getLaunchMsgQueueName(queueName), false);
  marker.setSuffix(VtString(kMarkerSuffix));
  mMarker = InterAppStream::create(marker, false);
}

LaunchTimeoutMsgHandler::~LaunchTimeoutMsgHandler() {
  delete mMarker;
  clearPingValue(mKey);
}

int LaunchTimeoutMsgHandler::handleMessage(int, ArborTalk::Message& message, VtString* answer) {
  clearPingValue(mKey);
  if (Launcher::Outlet* outlet = Launcher::getOutlet())
    delete outlet->removeHandler(message.mTarget, VtString(ArborTalkData::kTypeReceived), mSerial);
  if (answer) *answer = kLaunchedAnswer;
  return 0;
}

VtString LaunchTimeoutMsgHandler::getMsgType() const {
  return VtString(ArborTalkData::kTypeTimeout);
}

uint32_t LaunchTimeoutMsgHandler::getSerialNumber() const {
  return mSerial;
}

bool LaunchTimeoutMsgHandler::hasMarker() const {
  return mMarker && mMarker->isGood();
}

}  // namespace Velt::ArborTalkUtils
