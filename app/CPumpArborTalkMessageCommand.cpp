#include "app/CPumpArborTalkMessageCommand.h"

#include <mutex>
#include <string>

#include "app/CRuntimeCLIParser.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/Message.h"
#include "messaging/Specifier.h"
#include "messaging/VtString.h"

Velt::ArborTalk* g_AKInstance = nullptr;

namespace {

void debug(const std::string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

std::mutex& instanceMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

int myMsgHandler::handleMessage(int /*reason*/, Velt::ArborTalk::Message& message,
                                Velt::VtString* /*answer*/) {
  debug("handleMessage Success", __LINE__);
  const Velt::VtString& body = message.mBody;
  debug(std::string(body.get() ? body.get() : "", static_cast<size_t>(body.length())), __LINE__);
  CString line;
  StringUtil::convertVTStringToCString(body, line);
  if (line.GetLength() == 0) return 0;
  if (!g_isInSuppressMode) CZorbOS::callUserAttentionIfInBackground();
  // Kept for the movie, and handed over at once when it asked already.
  CRuntimeCLIParser::getInstance()->receive(line, false);
  return 0;
}

CPumpArborTalkMessageCommand::CPumpArborTalkMessageCommand() {
  (void)ensureInstance();
}

Velt::ArborTalk* CPumpArborTalkMessageCommand::ensureInstance() {
  std::lock_guard<std::mutex> lock(instanceMutex());
  // Only the start-up sets the library up; without it there is nothing to
  // attach to.
  if (Velt::ArborTalkContext::getCurrentContext() == nullptr) {
    g_AKInstance = nullptr;
    return nullptr;
  }
  if (Velt::ArborTalk* existing = Velt::ArborTalk::get()) {
    g_AKInstance = existing;
    return existing;
  }
  debug("PumpArborTalkMessageCommand::execute(), register arbor talk message handler.", __LINE__);
  const Velt::VtString shared = Velt::ArborTalk::getSharedAppName();
  const Velt::ArborTalk::Specifier specifier(shared.length() > 0 ? shared.get() : kSpecifier, true);
  // The context takes the instance and deletes it when the library stops.
  g_AKInstance = new Velt::ArborTalk(specifier.get(), new myMsgHandler, true, nullptr);
  return g_AKInstance;
}

void CPumpArborTalkMessageCommand::execute() {
  debug("PumpArborTalkMessageCommand::execute()", __LINE__);
  (void)ensureInstance();
  (void)Velt::ArborTalk::pump(Velt::ArborTalk::kBoth, nullptr);
}
