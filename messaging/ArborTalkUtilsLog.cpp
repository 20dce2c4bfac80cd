// Logging, forwarding, diagnostics lines, options and the timer of
// ArborTalkUtils.
#include <cstring>

#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkData.h"
#include "messaging/ArborTalkUtils.h"
#include "messaging/DebugAlert.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"

namespace Velt::ArborTalkUtils {

namespace {

constexpr char kLogTextType[] = "ArborTalkUtils::logText";
constexpr char kLogTextHead[] = "AK LOG ------------------\n";
constexpr char kForwardLogs[] = "FWDLOGS";
constexpr char kOptionSeparators[] = " =;\"':";
constexpr uint32_t kNone = ArborTalk::kAnySerial;

bool isEmptyScript(const ArborTalk::Message& message) {
  return message.mType == ArborTalkData::kTypeOrrery && message.mBody.length() == 0 &&
         message.mReceived == kNone && message.mResult == kNone && message.mError == kNone;
}

void copyNumber(ArborTalk::Message& log, const char* name, uint32_t value) {
  log.setHeader(name, value);
}

}  // namespace

void setHeader(ArborTalk::Message& message, const char* name, int32_t value) {
  if (!name || !*name) return;
  message.setHeader(name, value);
}

int32_t parseOptions(const VtString& text, VtVector<VtString>& out) {
  const char* p = text.get();
  const char* end = p + text.length();
  while (p < end) {
    const size_t skip = std::strspn(p, kOptionSeparators);
    p += skip;
    if (p >= end) break;
    const char* start = p;
    while (p < end && std::strchr(kOptionSeparators, *p) == nullptr && *p != 0) ++p;
    if (p == start) {
      ++p;  // a NUL inside the text
      continue;
    }
    out.append(new VtString(start, static_cast<int32_t>(p - start)));
  }
  return out.length();
}

VtString getNextAppInstance(const VtString& name) {
  VtString base = getLaunchFolderPath();
  base << getFolderSeparator() << name;
  if (!fileExists(base)) return name;
  for (int32_t n = 1; n > 0; ++n) {
    VtString candidate(base);
    candidate << '_' << n;
    if (fileExists(candidate)) continue;
    VtString result(name);
    result << '_' << n;
    return result;
  }
  return name;
}

const char* parseInfoLine(const char* line, VtString& path, VtString& label, VtString& value,
                          bool& heading) {
  path = VtString();
  label = VtString();
  value = VtString();
  heading = false;
  if (!line || !*line) return nullptr;
  const char* newline = std::strchr(line, '\n');
  const char* end = newline ? newline : line + std::strlen(line);
  const char* next = newline ? newline + 1 : end;
  auto field = [end](const char* from) -> const char* {
    const void* found = std::memchr(from, ';', static_cast<size_t>(end - from));
    return static_cast<const char*>(found);
  };
  const char* first = field(line);
  if (!first || first == line) return nullptr;
  path.assign(line, static_cast<int32_t>(first - line));
  const char* second = field(first + 1);
  if (!second || second - first != 2 || (first[1] != '0' && first[1] != '1')) return nullptr;
  heading = first[1] == '1';
  const char* third = field(second + 1);
  if (!third || third == second + 1) return nullptr;
  label.assign(second + 1, static_cast<int32_t>(third - second - 1));
  const char* fourth = field(third + 1);
  const char* valueEnd = fourth ? fourth : end;
  value.assign(third + 1, static_cast<int32_t>(valueEnd - third - 1));
  return next;
}

bool forwardMessage(const ArborTalk::Message& message, const VtString& key, const VtString& root,
                    const VtString& label) {
  if (message.mType == ArborTalkData::kTypeDebug || message.mType == ArborTalkData::kTypeLog ||
      isEmptyScript(message))
    return false;
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  ArborTalk* main = context ? context->getMainInstance() : nullptr;
  ArborTalk::MsgHandler* handler = main ? main->findHandler(key, kNone) : nullptr;
  if (!handler) return false;
  ArborTalk::Message diagnostics;
  diagnostics.setHeader("MsgRoot", root.get());
  message.appendDiagnostics(diagnostics.mBody, root);
  if (label.length() > 0) {
    diagnostics.mBody << root << "/msg" << message.mSerialNumber << ";1;msg["
                      << getTimeString(&message.mTimestamp) << "];" << label << ";\n";
  }
  return handler->handleMessage(0, diagnostics, nullptr) == 0;
}

void logMessage(const char* reason, const ArborTalk::Message& message, bool full) {
  if (isEmptyScript(message) || message.mType == ArborTalkData::kTypeLog) return;
  ArborTalkContext* context = ArborTalkContext::getCurrentContext();
  if (!context || !context->isLogging()) return;
  VtString text;
  if (message.mType == kLogTextType)
    text = message.mBody;
  else
    message.logToString(reason ? reason : "", text, full);
  debugStr(text);

  ArborTalk* main = context->getMainInstance();
  if (!main) return;
  const VtString own = main->getAppName();
  ArborTalk::Message log;
  log.mType = ArborTalkData::kTypeLog;
  log.mTarget = own;
  log.mSender = own;
  log.mTimeout = 0;
  log.mBody = text;
  if (reason && *reason) log.setHeader("Reason", reason);
  log.setHeader("Target", message.mTarget.get());
  log.setHeader("Sender", message.mSender.get());
  log.setHeader("Type", message.mType.get());
  copyNumber(log, "Serial Number", message.mSerialNumber);
  copyNumber(log, "Timestamp", message.mTimestamp);
  copyNumber(log, "Timeout", message.mTimeout);
  if (message.mReceived != kNone) copyNumber(log, "Received", message.mReceived);
  if (message.mResult != kNone) copyNumber(log, "Result", message.mResult);
  if (message.mError != kNone) copyNumber(log, "Error", message.mError);
  for (const ArborTalk::Message::Header* h = message.getHeaders(); h; h = h->next) {
    VtString name("Header_");
    name << h->name;
    log.setHeader(name, h->value);
  }
  log.mSerialNumber = context->getNextSerialNumber();

  // Logging the log would never end.
  context->setLogging(false);
  VtString wire;
  if (log.writeToString(wire)) {
    if (BaseInterAppStream* stream = InterAppStream::get()) (void)stream->send(own, wire);
  }
  VtString root("/log/");
  root << own;
  forwardMessage(message, VtString(kForwardLogs), root, VtString(reason ? reason : ""));
  context->setLogging(true);
}

void logText(const VtString& text) {
  ArborTalk::Message message;
  message.mType = kLogTextType;
  message.mSerialNumber = 0;
  message.mBody = kLogTextHead;
  message.mBody << text;
  logMessage("LOG", message, true);
}

Timer::~Timer() = default;

double Timer::now() {
  return getUTCTimeMilliSeconds();
}

void Timer::start() {
  mStart = now();
}

double Timer::stop() const {
  return now() - mStart;
}

}  // namespace Velt::ArborTalkUtils
