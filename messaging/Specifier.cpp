#include "messaging/Specifier.h"

#include <charconv>
#include <cstring>
#include <memory>

#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/InterAppStream.h"
#include "messaging/Launcher.h"
#include "messaging/Message.h"
#include "platform/os/RandomBytes.h"

namespace Velt {

using Specifier = ArborTalk::Specifier;

namespace {

constexpr char kThreadSuffix[] = "#thread";

struct Parts {
  VtString name;
  VtString instance;
  VtString version;
  VtString locale;
  VtString suffix;
};

VtString slice(const VtString& text, int32_t begin, int32_t end) {
  return VtString(text.get() + begin, end - begin);
}

int32_t find(const VtString& text, char c, int32_t from = 0) {
  for (int32_t i = from; i < text.length(); ++i)
    if (text.get()[i] == c) return i;
  return -1;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

Parts split(const VtString& text) {
  Parts parts;
  const int32_t size = text.length();
  const int32_t hash = find(text, '#');
  const int32_t limit = hash < 0 ? size : hash;
  // A "-" inside the suffix is part of the suffix.
  int32_t dash = find(text, '-');
  if (dash > limit) dash = -1;
  const int32_t underscore = find(text, '_');

  int32_t nameEnd = limit;
  if (dash >= 0) nameEnd = dash;
  if (underscore >= 0 && underscore < nameEnd) nameEnd = underscore;
  parts.name = slice(text, 0, nameEnd);

  if (underscore >= 0 && underscore == nameEnd)
    parts.instance = slice(text, underscore + 1, dash >= 0 ? dash : limit);

  if (dash >= 0) {
    const int32_t start = dash + 1;
    int32_t next = find(text, '-', start);
    if (next > limit) next = -1;
    if (start < limit && isDigit(text.get()[start])) {
      parts.version = slice(text, start, next >= 0 ? next : limit);
      if (next >= 0) parts.locale = slice(text, next + 1, limit);
    } else {
      parts.locale = slice(text, start, limit);
    }
  }
  if (hash >= 0) parts.suffix = slice(text, hash + 1, size);
  return parts;
}

// A version as a decimal number; 0 when the text does not start with one.
double number(const VtString& text) {
  double value = 0;
  std::from_chars(text.get(), text.get() + text.length(), value);
  return value;
}

VtString currentLocale() {
  return ArborTalkUtils::getCurrentLocale();
}

// The registry, walked the way the facade offers it.
int32_t registeredCount() {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getNumberOfRegisteredApplications() : 0;
}

VtString registeredAt(int32_t index) {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getApplicationSpecifier(index) : VtString();
}

// The connector of the shared context, or null.
ArborTalkConnector* sharedConnector() {
  ArborTalkContext* context = ArborTalk::getSharedContext();
  return context ? context->getConnector() : nullptr;
}

// Completing the calling application's own specifier asks for its
// preference again; that inner question has no answer.
thread_local bool tAskingPreference = false;

class PreferenceGuard {
 public:
  PreferenceGuard() : mOuter(!tAskingPreference) { tAskingPreference = true; }
  ~PreferenceGuard() {
    if (mOuter) tAskingPreference = false;
  }
  PreferenceGuard(const PreferenceGuard&) = delete;
  PreferenceGuard& operator=(const PreferenceGuard&) = delete;
  bool outer() const { return mOuter; }

 private:
  bool mOuter;
};

// The version of name that the calling application prefers; empty for none.
VtString preferredApp(const VtString& name) {
  PreferenceGuard guard;
  if (!guard.outer()) return VtString();
  ArborTalkContext* context = ArborTalk::getSharedContext();
  if (context == nullptr) return VtString();
  const Specifier own(context->getAppSpecifier(), false);
  ArborTalkConnector* connector = context->getConnector();
  if (own.length() == 0 || connector == nullptr) return VtString();
  VtString versionOrGroup = own.version();
  if (versionOrGroup.length() == 0) versionOrGroup = connector->findGroupForSpecifier(own, nullptr);
  if (versionOrGroup.length() == 0) return VtString();
  return connector->findPreferredApp(own, name, versionOrGroup);
}

// A registered version of name: the exact one, or for a negative request
// the highest up to its absolute value.
bool findVersion(const VtString& name, VtString& locale, VtString& version) {
  const double request = number(version);
  const double limit = request == 0  ? Specifier::kVersionBound - 1
                       : request < 0 ? -request
                                     : request;
  const VtString wanted = locale.length() > 0 ? locale : currentLocale();
  double best = 0;
  VtString bestVersion;
  const int32_t count = registeredCount();
  for (int32_t i = 0; i < count; ++i) {
    const Specifier entry(registeredAt(i), true);
    if (entry.appName() != name) continue;
    const VtString entryLocale = entry.locale();
    if (entryLocale.length() > 0 && entryLocale != wanted) continue;
    const VtString entryVersion = entry.version();
    const double value = number(entryVersion);
    if (value == request) {
      version = entryVersion;
      locale = entryLocale;
      return true;
    }
    if (request < 0 && value > best && value <= limit) {
      best = value;
      bestVersion = entryVersion;
      locale = entryLocale;
    }
  }
  version = bestVersion;
  return version.length() > 0;
}

// The locale of the first registered entry of name and version that has no
// locale or the wanted one.
bool findLocale(const VtString& name, const VtString& version, VtString& locale) {
  const VtString wanted = locale.length() > 0 ? locale : currentLocale();
  const int32_t count = registeredCount();
  for (int32_t i = 0; i < count; ++i) {
    const Specifier entry(registeredAt(i), true);
    if (entry.appName() != name || entry.version() != version) continue;
    const VtString entryLocale = entry.locale();
    if (entryLocale.length() == 0 || entryLocale == wanted) {
      locale = entryLocale;
      return true;
    }
  }
  locale = VtString();
  return false;
}

// Naming the calling application completes its specifier, which may ask
// whether copies run; those inner questions are asked without a sender.
thread_local bool tNamingSender = false;

// Names tried for the sender of a probe: its own, then ten numbered ones.
constexpr int kProbeSenderRetries = 10;

uint32_t randomNumber() {
  uint32_t value = 0;
  // A name that is taken anyway is only tried again.
  if (!platform::randomBytes(&value, sizeof value)) value = 0;
  return value;
}

// Hands a message of type to target, from a port of its own named after
// sender and type. Success means that somebody owns the target's port and
// took the text; no answer is awaited.
bool testTarget(const VtString& sender, const VtString& target, const char* type,
                uint32_t serialNumber) {
  if (sender == target) return true;
  // A port of the target's name that this process could own has nobody
  // listening on it.
  BaseInterAppStream* process = InterAppStream::get();
  if (process == nullptr || process->canOpen(target, false)) return false;

  ArborTalk::Message message;
  message.mTarget = target;
  message.mType = type;
  message.mSerialNumber = serialNumber;
  message.mSender = sender;
  message.mSender << '#' << type;
  std::unique_ptr<BaseInterAppStream> stream(InterAppStream::create(message.mSender, false));
  for (int retry = 0; retry < kProbeSenderRetries && !stream->isGood(); ++retry) {
    message.mSender = sender;
    message.mSender << '_' << randomNumber() << '#' << type;
    stream.reset(InterAppStream::create(message.mSender, false));
  }
  VtString text;
  return stream->isGood() && message.writeToString(text) && stream->send(target, text);
}

}  // namespace

Specifier::Specifier(const char* text, bool complete) {
  if (text == nullptr) return;
  const size_t size = ::strnlen(text, kMaxLength + 1);
  if (size > static_cast<size_t>(kMaxLength)) return;
  assign(text, static_cast<int32_t>(size));
  if (complete)
    fixUp(true);
  else
    lowercaseInPlace();
}

Specifier& Specifier::operator=(const Specifier& other) {
  VtString::operator=(other);
  return *this;
}

Specifier::~Specifier() = default;

void Specifier::lowercaseInPlace() {
  VtString::operator=(lowercase());
}

void Specifier::rebuild(const VtString& name, const VtString& inst, const VtString& ver,
                        const VtString& loc, const VtString& suf) {
  VtString text(name);
  if (inst.length() > 0) text << '_' << inst;
  if (ver.length() > 0) text << '-' << ver;
  if (loc.length() > 0) text << '-' << loc;
  if (suf.length() > 0) text << '#' << suf;
  VtString::operator=(text);
}

VtString Specifier::appName() const {
  return split(*this).name;
}

VtString Specifier::instance() const {
  return split(*this).instance;
}

VtString Specifier::version() const {
  return split(*this).version;
}

VtString Specifier::locale() const {
  return split(*this).locale;
}

VtString Specifier::suffix() const {
  return split(*this).suffix;
}

bool Specifier::setAppName(const VtString& name) {
  const Parts p = split(*this);
  rebuild(name, p.instance, p.version, p.locale, p.suffix);
  return true;
}

bool Specifier::setInstance(const VtString& inst) {
  const Parts p = split(*this);
  rebuild(p.name, inst, p.version, p.locale, p.suffix);
  return true;
}

bool Specifier::setSuffix(const VtString& suf) {
  const Parts p = split(*this);
  rebuild(p.name, p.instance, p.version, p.locale, suf);
  return true;
}

bool Specifier::setVersion(const VtString& ver) {
  const Parts p = split(*this);
  VtString found(ver);
  VtString foundLocale(p.locale);
  if (!findVersion(p.name, foundLocale, found)) return false;
  rebuild(p.name, p.instance, found, foundLocale, p.suffix);
  if (locale() != foundLocale) return setLocale(foundLocale);
  return true;
}

bool Specifier::setLocale(const VtString& loc) {
  const Parts p = split(*this);
  VtString found(loc);
  if (!findLocale(p.name, p.version, found)) return false;
  rebuild(p.name, p.instance, p.version, found, p.suffix);
  return true;
}

bool Specifier::setGroup(const VtString& groupName) {
  VtString text = appName();
  text << '-' << groupName;
  const Specifier completed(text, true);
  VtString::operator=(completed);
  return length() > 0;
}

VtString Specifier::group(VtString* edition) const {
  if (edition != nullptr && edition->length() > 0) *edition = VtString();
  ArborTalkConnector* connector = sharedConnector();
  return connector ? connector->findGroupForSpecifier(*this, edition) : VtString();
}

VtString Specifier::preferred(const VtString& name, const VtString& ver) const {
  ArborTalkConnector* connector = sharedConnector();
  if (connector == nullptr) return VtString();
  VtString answer;
  if (ver.length() > 0) {
    answer = connector->findPreferredApp(*this, name, ver);
  } else {
    const VtString groupName = connector->findGroupForSpecifier(*this, nullptr);
    if (groupName.length() > 0) answer = connector->findPreferredApp(*this, name, groupName);
  }
  return answer.length() > 0 ? answer : name;
}

void Specifier::fixUp(bool usePreferred) {
  lowercaseInPlace();
  const Parts given = split(*this);

  if (given.name.length() > 0 && given.version.length() == 0) {
    if (usePreferred) {
      const VtString answer = preferredApp(given.name);
      if (answer.length() > 0 && answer != *this) {
        VtString::operator=(answer);
        if (given.suffix.length() > 0) setSuffix(given.suffix);
        if (given.instance.length() > 0) setInstance(given.instance);
        return;
      }
    }
    // A copy that runs wins.
    const int32_t count = registeredCount();
    for (int32_t i = 0; i < count; ++i) {
      Specifier candidate(registeredAt(i), false);
      if (candidate.appName() != given.name) continue;
      if (given.instance.length() > 0) candidate.setInstance(given.instance);
      if (given.suffix.length() > 0) candidate.setSuffix(given.suffix);
      if (candidate.isRunning()) {
        VtString::operator=(candidate);
        if (given.instance.length() > 0) setInstance(given.instance);
        return;
      }
    }
  }

  // A locale that was given is taken as it stands.
  if (given.locale.length() > 0) return;
  const VtString wantedLocale = currentLocale();
  VtString localeMatch;
  VtString otherMatch;
  const int32_t count = registeredCount();
  if (given.version.length() == 0) {
    // The newest version below the bound; in the user's locale when the
    // newest has one.
    double highest = 0;
    for (int32_t i = 0; i < count; ++i) {
      const Specifier entry(registeredAt(i), false);
      if (entry.appName() != given.name) continue;
      const double value = number(entry.version());
      if (value < highest || value >= kVersionBound) continue;
      highest = value;
      if (entry.locale() == wantedLocale)
        localeMatch = entry;
      else
        otherMatch = entry;
    }
  } else {
    const double wantedVersion = number(given.version);
    for (int32_t i = 0; i < count; ++i) {
      const Specifier entry(registeredAt(i), false);
      if (entry.appName() != given.name || number(entry.version()) != wantedVersion) continue;
      const VtString entryLocale = entry.locale();
      if (entryLocale.length() == 0 || entryLocale == wantedLocale) {
        localeMatch = entry;
        break;
      }
      otherMatch = entry;
    }
  }
  const VtString& chosen = localeMatch.length() > 0 ? localeMatch : otherMatch;
  if (chosen.length() == 0) return;
  VtString::operator=(chosen);
  if (given.instance.length() > 0 && instance() != given.instance) setInstance(given.instance);
  if (length() > 0 && given.suffix.length() > 0) *this << '#' << given.suffix;
}

VtString Specifier::getApplicationPath(const char* kind) const {
  ArborTalkConnector* connector = ArborTalkConnector::get();
  return connector ? connector->getApplicationPath(*this, kind) : VtString();
}

bool Specifier::isInstalled() const {
  return length() > 0 && getApplicationPath(get()).length() > 0;
}

bool Specifier::isRunning() const {
  if (length() == 0) return false;
  ArborTalkContext* context = tNamingSender ? nullptr : ArborTalkContext::getCurrentContext();
  VtString sender;
  uint32_t serialNumber = 0;
  if (context != nullptr) {
    tNamingSender = true;
    sender = context->getAppSpecifier();
    tNamingSender = false;
    serialNumber = context->getNextSerialNumber();
  }
  if (sender.length() == 0) {
    sender = "Unknown";
    sender << ArborTalkUtils::getUTCTimeMilliSeconds();
  }
  if (sender == *this) return true;

  const bool hasSuffix = suffix().length() > 0;
  if (!hasSuffix && context != nullptr) {
    ArborTalkConnector* connector = context->getConnector();
    if (connector != nullptr &&
        ArborTalkUtils::Launcher::isProcessRunning(connector->getProcessID(*this)))
      return true;
  }
  if (!hasSuffix) {
    VtString thread(*this);
    thread << kThreadSuffix;
    if (testTarget(sender, thread, "ping", serialNumber)) return true;
  }
  return testTarget(sender, *this, "Orrery", serialNumber);
}

bool Specifier::isBusy() const {
  if (length() == 0) return false;
  BaseInterAppStream* stream = InterAppStream::get();
  if (stream == nullptr || !stream->isGood()) return false;
  return ArborTalkUtils::ping(*this, true, VtString(ArborTalkThread::AK_STATUS), randomNumber(), 1,
                              nullptr, nullptr) == ArborTalkThread::AK_BUSY;
}

VtString Specifier::status() const {
  return ArborTalk::Thread::ping(get(), ArborTalkThread::AK_STATUS, 2, nullptr);
}

bool Specifier::registerApplication(const VtString& path, const VtString* displayName,
                                    bool isShellTool) const {
  ArborTalkConnector* connector = sharedConnector();
  return connector && connector->registerApplication(*this, path, displayName, isShellTool, false);
}

bool Specifier::unregisterApplication(const VtString* text) const {
  ArborTalkConnector* connector = sharedConnector();
  return connector && connector->unregisterApplication(*this, text);
}

bool Specifier::addToGroup(const VtString& groupName, const VtString* edition) const {
  ArborTalkConnector* connector = sharedConnector();
  return connector && connector->addToGroup(*this, groupName, edition);
}

bool Specifier::removeFromGroup(const VtString& groupName, const VtString* edition) const {
  ArborTalkConnector* connector = sharedConnector();
  return connector && connector->removeFromGroup(*this, groupName, edition);
}

}  // namespace Velt
