#include "messaging/PrivateData.h"

#include "messaging/ArborTalkUtils.h"
#include "messaging/InterAppStream.h"
#include "messaging/MsgHandler.h"
#include "messaging/Specifier.h"

namespace Velt::ArborTalkData {

namespace {

constexpr uint32_t kAll = ArborTalk::kAnySerial;

// "default message handler 'T'" or "message handler 'T' for serial number 'S'".
VtString describe(const ArborTalk::MsgHandler& handler) {
  VtString text;
  const uint32_t serial = handler.getSerialNumber();
  if (serial == kAll) {
    text << "default message handler '" << handler.getMsgType() << "'";
  } else {
    text << "message handler '" << handler.getMsgType() << "' for serial number '" << serial << "'";
  }
  return text;
}

VtString logLine(const char* verb, const ArborTalk::MsgHandler& handler) {
  VtString text(verb);
  text << ' ' << describe(handler) << ".\n";
  return text;
}

}  // namespace

PrivateData::PrivateData(ArborTalkContext* context, const VtString& name)
    : mContext(context), mStream(ArborTalkUtils::createNextAvailableInterAppStream(name)) {
  if (!mStream || !mStream->isGood()) return;
  const ArborTalk::Specifier opened(mStream->getSpecifier(), false);
  if (opened.instance().length() == 0 || opened.isInstalled()) return;
  ArborTalk::Specifier base(opened, false);
  base.setInstance(VtString());
  const VtString path = base.getApplicationPath();
  if (opened.registerApplication(path, nullptr, false)) mUnregister = true;
}

PrivateData::~PrivateData() {
  ObjectLock lock(*this);
  delete mStream;
  mStream = nullptr;
  while (mHandlers.length() > 0) delete mHandlers.removeAt(mHandlers.length() - 1);
}

ArborTalkContext* PrivateData::getContext() const {
  return mContext.load();
}

void PrivateData::setContext(ArborTalkContext* context) {
  ObjectLock lock(*this);
  mContext.store(context);
}

VtString PrivateData::getAppName() const {
  ObjectLock lock(*this);
  return mStream ? mStream->getSpecifier() : VtString();
}

void PrivateData::setAppName(const VtString& name) {
  ObjectLock lock(*this);
  if (name == getAppName()) return;
  delete mStream;
  mStream = ArborTalkUtils::createNextAvailableInterAppStream(name);
}

ArborTalk::MsgHandler* PrivateData::findHandler(const VtString& type, uint32_t serial) const {
  ObjectLock lock(*this);
  ArborTalk::MsgHandler* fallback = nullptr;
  for (int32_t i = mHandlers.length() - 1; i >= 0; --i) {
    ArborTalk::MsgHandler* handler = mHandlers[i];
    const uint32_t own = handler->getSerialNumber();
    if (handler->getMsgType() == type) {
      if (own == serial) return handler;
      // Walking on, the oldest catch-all of the type is kept.
      if (own == kAll) fallback = handler;
    } else if (type.length() == 0 && own == serial) {
      return handler;
    }
  }
  return fallback;
}

void PrivateData::addHandler(ArborTalk::MsgHandler* handler) {
  delete changeHandler(handler);
}

ArborTalk::MsgHandler* PrivateData::changeHandler(ArborTalk::MsgHandler* handler) {
  if (!handler) return nullptr;
  ArborTalk::MsgHandler* replaced = nullptr;
  VtString log;
  {
    ObjectLock lock(*this);
    replaced = findHandler(handler->getMsgType(), handler->getSerialNumber());
    if (replaced && replaced->getSerialNumber() != handler->getSerialNumber()) replaced = nullptr;
    if (replaced == handler) return nullptr;
    // A handler already in the table under another key stays once.
    for (int32_t i = 0; i < mHandlers.length(); ++i)
      if (mHandlers[i] == handler) return nullptr;
    if (replaced) {
      log << logLine("Removing", *replaced);
      mHandlers.remove(replaced);
    }
    log << logLine("Adding", *handler);
    mHandlers.append(handler);
  }
  // Logged without the lock: logging asks the context, whose lookups ask
  // the instances.
  ArborTalkUtils::logText(log);
  return replaced;
}

ArborTalk::MsgHandler* PrivateData::removeHandler(const VtString& type, uint32_t serial) {
  ArborTalk::MsgHandler* handler = nullptr;
  {
    ObjectLock lock(*this);
    handler = findHandler(type, serial);
    if (!handler) return nullptr;
    mHandlers.remove(handler);
  }
  ArborTalkUtils::logText(logLine("Removing", *handler));
  return handler;
}

bool PrivateData::deleteHandler(ArborTalk::MsgHandler* handler) {
  if (!handler) return false;
  VtString log;
  {
    ObjectLock lock(*this);
    bool found = false;
    for (int32_t i = mHandlers.length() - 1; i >= 0 && !found; --i) {
      if (mHandlers[i] != handler) continue;
      log << logLine("Deleting", *handler);
      mHandlers.removeAt(i);
      found = true;
    }
    if (!found) return false;
  }
  delete handler;
  ArborTalkUtils::logText(log);
  return true;
}

bool PrivateData::deleteHandlers(uint32_t serial) {
  if (serial == kAll) return false;
  VtString log;
  bool deleted = false;
  {
    ObjectLock lock(*this);
    for (int32_t i = mHandlers.length() - 1; i >= 0; --i) {
      if (mHandlers[i]->getSerialNumber() != serial) continue;
      ArborTalk::MsgHandler* handler = mHandlers.removeAt(i);
      log << logLine("Deleting", *handler);
      delete handler;
      deleted = true;
    }
  }
  mIncoming.removeTimeoutMessage(serial);
  if (log.length() > 0) ArborTalkUtils::logText(log);
  return deleted;
}

int32_t PrivateData::getNumberOfHandlers() const {
  ObjectLock lock(*this);
  return mHandlers.length();
}

void PrivateData::appendDiagnostics(VtString& out, const VtString& prefix) const {
  ObjectLock lock(*this);
  VtString h(prefix);
  h << '/' << getAppName() << "/handler";
  out << h << ";1;Handler;" << mHandlers.length() << ";\n";
  for (int32_t i = 0; i < mHandlers.length(); ++i) {
    const ArborTalk::MsgHandler* handler = mHandlers[i];
    const VtString type = handler->getMsgType();
    out << h << '/' << type << ";0;" << type << ';';
    if (handler->getSerialNumber() == kAll)
      out << "for all messages;\n";
    else
      out << "for only msg #" << handler->getSerialNumber() << ";\n";
  }
}

}  // namespace Velt::ArborTalkData
