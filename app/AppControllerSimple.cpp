#include "app/AppControllerSimple.h"

#include <string>
#include <vector>

#include "app/CRuntimeCLIParser.h"
#include "app/MovieConnection.h"
#include "foundation/CLIParser.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/MacStatus.h"
#include "platform/tamb/MainLoop.h"

namespace {

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// Text parameters may carry their terminating zero byte.
std::string untilZero(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

int32_t AppControllerSimple::appFinishLaunching(platform::AppleEventListener& listener) {
  return listener.start(
      [this](const platform::AppleEvent& event) { return receiveAppleEvent(event); });
}

int32_t AppControllerSimple::receiveAppleEvent(const platform::AppleEvent& event) {
  if (event.eventClass != platform::kCoreEventClass || event.eventId != platform::kAEOpenDocuments)
    return platform::errAEEventNotHandled;
  MovieConnection::mainLoop().post([this, event] { handleOpenEvent(event); });
  return platform::noErr;
}

void AppControllerSimple::handleOpenEvent(const platform::AppleEvent& event) {
  const platform::AEDesc* forwarded = event.find(kForwardedLineKeyword);
  if (forwarded && forwarded->type == platform::typeText) {
    reveal();
    const std::string text = untilZero(forwarded->bytes);
    logLine(Logger::kDebug, "Receive event from the second instance", __LINE__);
    logLine(Logger::kDebug, text, __LINE__);
    CString line;
    CZorbOS::ansiCharToCString(text.c_str(), line);
    CRuntimeCLIParser::getInstance()->receive(line, true);
    return;
  }
  if (!forwarded)
    logLine(Logger::kError, "AEGetParamPtr error : " + std::to_string(errAEDescNotFound) + " ",
            __LINE__);
  const int32_t status = CZorbOS::BringProcessToFront(kPlexarCreator);
  if (status == platform::noErr)
    reveal();
  else
    logLine(Logger::kError, "FindProcess error : " + std::to_string(status) + " ", __LINE__);
  logLine(Logger::kDebug, "handled the event from Double click or Drap-Drop", __LINE__);
  openDocuments(event);
}

void AppControllerSimple::openDocuments(const platform::AppleEvent& event) {
  const platform::AEDesc* direct = event.find(platform::keyDirectObject);
  std::vector<platform::AEDesc> items;
  if (direct && direct->type == platform::typeAEList) {
    if (!platform::decodeList(direct->bytes, items)) direct = nullptr;
  } else if (direct && direct->type == platform::typeAlias) {
    items.push_back(*direct);  // one document, as a list of one
  } else {
    direct = nullptr;
  }
  if (!direct) {
    logLine(Logger::kError, "AEGetParamDesc error : " + std::to_string(errAECoercionFail) + " ",
            __LINE__);
    return;
  }
  for (size_t n = 1; n <= items.size(); ++n) {
    const platform::AEDesc& item = items[n - 1];
    if (item.type != platform::typeAlias || item.bytes.empty()) {
      logLine(Logger::kError,
              "AEGetNthPtr error : " + std::to_string(errAECoercionFail) +
                  " when N = " + std::to_string(n),
              __LINE__);
      continue;
    }
    logLine(Logger::kDebug, "get full path of kxi or kxp", __LINE__);
    CString path;
    CZorbOS::ansiCharToCString(untilZero(item.bytes).c_str(), path);
    CRuntimeCLIParser::getInstance()->receive(CLIParser::quote(path), true);
  }
}
