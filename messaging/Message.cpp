#include "messaging/Message.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "messaging/ArborTalkUtils.h"
#include "messaging/MessageGlobals.h"

namespace Velt {

using namespace ArborTalkData;

namespace {

constexpr uint32_t kNone = AK_INVALID_MESSAGE_NUMBER;
constexpr char kStatusRejected[] = "REJECTED";
constexpr char kStatusNoDigest[] = "NODIGEST";
constexpr char kOldestVersion[] = "1.0";
constexpr char kReceivedLabel[] = "Received";
constexpr char kResultLabel[] = "Result";
constexpr char kErrorLabel[] = "Error";
// Messages of this type keep their answer numbers as they came.
constexpr char kRawDebugType[] = "debug";
constexpr size_t kPrefixLength = sizeof kHeaderPrefix - 1;

std::string_view view(const VtString& s) {
  return std::string_view(s.get(), static_cast<size_t>(s.length()));
}

bool sameBytes(const VtString& a, const VtString& b) {
  return view(a) == view(b);
}

VtString toVt(std::string_view s) {
  return VtString(s.data(), static_cast<int32_t>(s.size()));
}

// Versions whose writers put custom headers under their own names.
bool writesPlainHeaders(const VtString& version) {
  return version == "" || version == kOldestVersion || version == ArborTalk::kVersion;
}

// A custom header a reader would take for something else unless prefixed.
bool needsPrefix(const VtString& name) {
  static const char* const kReserved[] = {
      AK_SENDER, AK_SENDER_ID, AK_TARGET, AK_TIMEOUT, AK_TYPE, AK_RESPONSE_REQUEST, AK_TIMESTAMP,
      AK_CONTENT_LENGTH, AK_SERIAL_NUMBER, AK_RECEIVED, AK_RESULT, AK_ERROR, AK_ERROR_CODE,
      AK_VERSION,
      // Read as the version or the digest, so lost without the prefix.
      kOldVersionKey, AK_MD5, AK_DIGEST};
  for (const char* key : kReserved)
    if (name == key) return true;
  // A reader strips one prefix; a name that has one would lose it.
  return view(name).substr(0, kPrefixLength) == kHeaderPrefix;
}

// Unsigned decimal after leading blanks, up to the first other byte; no
// digits give 0 and values beyond 32 bits stay at the largest.
uint32_t parseNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > 0xFFFFFFFFull) value = 0xFFFFFFFFull + 1;
  }
  return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
}

void appendLine(VtString& out, const char* key, const VtString& value) {
  out << key << ':' << value << '\n';
}

void appendLine(VtString& out, const char* key, uint32_t value) {
  out << key << ':' << value << '\n';
}

// "key: value" of the readable dump.
void appendDumpLine(VtString& out, const char* key, const VtString& value) {
  out << key << ": " << value << '\n';
}

void appendDumpLine(VtString& out, const char* key, uint32_t value) {
  out << key << ": " << value << '\n';
}

}  // namespace

ArborTalk::Message::Message()
    : mType(kTypeOrrery), mTimestamp(ArborTalkUtils::getTimeSeconds()), mVersion(kMessageVersion) {}

ArborTalk::Message::Message(const Message& other) : VtLockable(other) {
  ObjectLock lock(other);
  mTarget = other.mTarget;
  mSender = other.mSender;
  mTimeout = other.mTimeout;
  mType = other.mType.length() > 0 ? other.mType : VtString(kTypeOrrery);
  mResponseRequest = other.mResponseRequest;
  mTimestamp = other.mTimestamp;
  mContentLength = other.mContentLength;
  mSerialNumber = other.mSerialNumber;
  mReceived = other.mReceived;
  mResult = other.mResult;
  mError = other.mError;
  mBody = other.mBody;
  mVersion = other.mVersion;
  mAuthenticationStatus = other.mAuthenticationStatus;
  for (const Header* h = other.mHeaders; h; h = h->next) setHeader(h->name, h->value);
}

ArborTalk::Message::~Message() {
  deleteHeaders();
}

void ArborTalk::Message::deleteHeaders() {
  while (mHeaders) {
    Header* next = mHeaders->next;
    delete mHeaders;
    mHeaders = next;
  }
}

void ArborTalk::Message::clear() {
  deleteHeaders();
  mTimeout = 0;
  mContentLength = 0;
  mSerialNumber = 0;
  mReceived = kNone;
  mResult = kNone;
  mError = kNone;
  mTarget = "";
  mSender = "";
  mType = "";
  mResponseRequest = "";
  mBody = "";
}

VtString ArborTalk::Message::getVersion() const {
  ObjectLock lock(*this);
  return mVersion;
}

void ArborTalk::Message::setHeader(const VtString& name, const VtString& value) {
  if (name.length() == 0) return;
  ObjectLock lock(*this);
  for (Header* h = mHeaders; h; h = h->next) {
    if (h->name == name) {
      h->value = value;
      return;
    }
  }
  Header* header = new Header(name, value);
  header->next = mHeaders;
  mHeaders = header;
}

void ArborTalk::Message::setHeader(const char* name, const char* value) {
  if (!name || !*name) return;
  setHeader(VtString(name), VtString(value));
}

void ArborTalk::Message::setHeader(const char* name, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%ld", static_cast<long>(value));
  setHeader(name, text);
}

void ArborTalk::Message::setHeader(const char* name, uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  setHeader(name, text);
}

void ArborTalk::Message::removeHeader(const char* name) {
  if (!name) return;
  ObjectLock lock(*this);
  for (Header** link = &mHeaders; *link; link = &(*link)->next) {
    if ((*link)->name == name) {
      Header* found = *link;
      *link = found->next;
      delete found;
      return;
    }
  }
}

VtString ArborTalk::Message::getUserHeaderValue(const char* name) const {
  ObjectLock lock(*this);
  for (const Header* h = mHeaders; h; h = h->next)
    if (h->name == name) return h->value;
  return VtString();
}

bool ArborTalk::Message::isUserType() const {
  return !isSystemType(mType.get());
}

bool ArborTalk::Message::isRejected() const {
  return mAuthenticationStatus == kStatusRejected || mAuthenticationStatus == kStatusNoDigest;
}

bool ArborTalk::Message::writeToString(VtString& text) const {
  if (mTarget.length() == 0 || mSender.length() == 0) return false;

  VtString t;
  appendLine(t, AK_VERSION, mVersion);
  appendLine(t, AK_TARGET, mTarget);
  appendLine(t, AK_SENDER, mSender);
  appendLine(t, AK_SENDER_ID, ArborTalkUtils::getSenderID());
  if (mTimeout != 0) appendLine(t, AK_TIMEOUT, mTimeout);
  if (mType.length() > 0) appendLine(t, AK_TYPE, mType);
  if (mResponseRequest.length() > 0) appendLine(t, AK_RESPONSE_REQUEST, mResponseRequest);
  const bool plain = writesPlainHeaders(mVersion);
  for (const Header* h = mHeaders; h; h = h->next) {
    if (!plain && needsPrefix(h->name)) t << kHeaderPrefix;
    t << h->name << ':' << h->value << '\n';
  }
  t << AK_TIMESTAMP << ": " << ArborTalkUtils::getTimeSeconds() << '\n';
  appendLine(t, AK_SERIAL_NUMBER, mSerialNumber);
  if (mReceived != kNone) appendLine(t, AK_RECEIVED, mReceived);
  if (mResult != kNone) appendLine(t, AK_RESULT, mResult);
  if (mError != kNone) appendLine(t, AK_ERROR, mError);
  appendLine(t, AK_CONTENT_LENGTH, static_cast<uint32_t>(mBody.length()));
  t << '\n';
  t.append(mBody.get(), mBody.length());

  if (getCreateDigest()) appendLine(text, AK_MD5, ArborTalkUtils::getMD5(t));
  text << t;
  return true;
}

const char* ArborTalk::Message::readFromString(const char* text) {
  return readFromString(text, text ? std::strlen(text) : 0);
}

const char* ArborTalk::Message::readFromString(const char* text, size_t length) {
  if (!text) return text;
  ObjectLock lock(*this);
  const char* const end = text + length;

  mVersion = kOldestVersion;
  if (mTarget.length() > 0) clear();
  mAuthenticationStatus = kStatusNoDigest;

  bool prefixedHeaders = true;
  const char* digestStart = text;
  VtString receivedDigest;
  bool digestReceived = false;
  bool alternativeDigest = false;

  // Custom headers by name, so that many of them still read in linear time.
  std::unordered_map<std::string, Header*> headers;
  for (Header* h = mHeaders; h; h = h->next) headers.emplace(std::string(view(h->name)), h);

  const char* p = text;
  while (p < end) {
    if (*p == '\n') {
      ++p;
      break;
    }
    // The key runs to the first colon, across line ends if need be.
    const char* colon = static_cast<const char*>(std::memchr(p, ':', end - p));
    const char* lineEnd =
        colon ? static_cast<const char*>(std::memchr(colon + 1, '\n', end - colon - 1)) : nullptr;
    if (!lineEnd) {
      // A line cut short by the end of the text ends the headers.
      p = end;
      break;
    }
    std::string_view key(p, colon - p);
    const std::string_view value(colon + 1, lineEnd - colon - 1);
    p = lineEnd + 1;

    if (key == kOldVersionKey || key == AK_VERSION) {
      // Older peers send the bare number under the short key.
      if (key == AK_VERSION) {
        mVersion = toVt(value);
      } else {
        mVersion = "@AK>";
        mVersion << toVt(value);
      }
      if (writesPlainHeaders(mVersion)) prefixedHeaders = false;
    } else if (key == AK_SENDER) {
      mSender = toVt(value);
    } else if (key == AK_TARGET) {
      mTarget = toVt(value);
    } else if (key == AK_TYPE) {
      mType = toVt(value);
    } else if (key == AK_RESPONSE_REQUEST) {
      mResponseRequest = toVt(value);
    } else if (key == AK_TIMEOUT) {
      mTimeout = parseNumber(value);
    } else if (key == AK_TIMESTAMP) {
      mTimestamp = parseNumber(value);
    } else if (key == AK_CONTENT_LENGTH) {
      mContentLength = parseNumber(value);
    } else if (key == AK_SERIAL_NUMBER) {
      mSerialNumber = parseNumber(value);
    } else if (key == AK_RECEIVED) {
      mReceived = parseNumber(value);
    } else if (key == AK_RESULT) {
      mResult = parseNumber(value);
    } else if (key == AK_ERROR) {
      mError = parseNumber(value);
    } else if (key == AK_DIGEST) {
      // Peers that send this line digest only what follows it.
      digestStart = p;
      alternativeDigest = true;
    } else if (key == AK_MD5) {
      if (!alternativeDigest) {
        receivedDigest = toVt(value);
        digestReceived = true;
        digestStart = p;
      }
    } else {
      if (prefixedHeaders && key.substr(0, kPrefixLength) == kHeaderPrefix)
        key.remove_prefix(kPrefixLength);
      // Names are C strings everywhere else.
      key = key.substr(0, key.find('\0'));
      if (key.empty()) continue;
      std::string name(key);
      auto found = headers.find(name);
      if (found != headers.end()) {
        found->second->value = toVt(value);
      } else {
        Header* header = new Header(toVt(key), toVt(value));
        header->next = mHeaders;
        mHeaders = header;
        headers.emplace(std::move(name), header);
      }
    }
  }

  const size_t available = static_cast<size_t>(end - p);
  const size_t bodyLength = mContentLength < available ? mContentLength : available;
  mBody.assign(p, static_cast<int32_t>(bodyLength));
  const char* bodyEnd = p + bodyLength;

  if (getAuthentication()) {
    mAuthenticationStatus = "";
    if (digestReceived) {
      const VtString digested(digestStart, static_cast<int32_t>(bodyEnd - digestStart));
      if (!sameBytes(ArborTalkUtils::getMD5(digested), receivedDigest))
        mAuthenticationStatus = kStatusRejected;
    }
  }

  p = bodyEnd;
  while (p < end && *p == '\n') ++p;

  if (mTimeout > 0 && mTimestamp == 0) mTimestamp = ArborTalkUtils::getTimeSeconds();

  // An answer travels under the number of the message it answers.
  if (mType != kRawDebugType) {
    const struct {
      uint32_t* field;
      const char* type;
    } answers[] = {{&mReceived, kReceivedLabel}, {&mResult, kResultLabel}, {&mError, kErrorLabel}};
    for (const auto& answer : answers) {
      if (*answer.field == kNone) continue;
      mSerialNumber = *answer.field;
      *answer.field = kNone;
      if (mType == answer.type) continue;
      if (isSystemType(mType.get()))
        mType = answer.type;
      else
        mType = VtString(answer.type) << VtString(mType);
    }
  }
  return p;
}

bool ArborTalk::Message::logToString(const char* label, VtString& out, bool withBody) const {
  VtString s;
  s << "AK " << label << "------------------\n";
  appendDumpLine(s, AK_TARGET, mTarget);
  appendDumpLine(s, AK_SENDER, mSender);
  if (mType.length() > 0) appendDumpLine(s, AK_TYPE, mType);
  if (mResponseRequest.length() > 0) appendDumpLine(s, AK_RESPONSE_REQUEST, mResponseRequest);
  if (mTimeout != 0) {
    appendDumpLine(s, AK_TIMEOUT, mTimeout);
    s << "Deadline: " << static_cast<uint32_t>(mTimestamp + mTimeout) << '\n';
  }
  s << "Now: " << ArborTalkUtils::getTimeSeconds() << '\n';
  s << "Serial-Number:" << mSerialNumber << '\n';
  s << "Version:" << mVersion << '\n';
  if (mReceived != kNone) appendDumpLine(s, AK_RECEIVED, mReceived);
  if (mResult != kNone) appendDumpLine(s, AK_RESULT, mResult);
  if (mError != kNone) appendDumpLine(s, AK_ERROR, mError);
  appendDumpLine(s, AK_CONTENT_LENGTH, static_cast<uint32_t>(mBody.length()));
  if (mHeaders) {
    s << "Custom Headers:\n";
    for (const Header* h = mHeaders; h; h = h->next)
      s << "   " << h->name << ": " << h->value << '\n';
  }
  s << '\n';
  if (withBody) {
    s.append(mBody.get(), mBody.length());
    s << '\n';
  } else {
    s << "<<BODY OMITTED>>\n";
  }
  out = s;
  return true;
}

void ArborTalk::Message::appendDiagnostics(VtString& out, const VtString& root) const {
  VtString path(root);
  path << "/msg" << mSerialNumber;
  char serial[16];
  std::snprintf(serial, sizeof serial, "%08u", mSerialNumber);

  VtString s;
  s << path << ";1;msg[" << ArborTalkUtils::getTimeString(&mTimestamp) << "];" << serial << ";\n";
  s << path << "/version;0;" << AK_VERSION << ';' << mVersion << ";\n";
  s << path << "/target;0;" << AK_TARGET << ';' << mTarget << ";\n";
  s << path << "/sender;0;" << AK_SENDER << ';' << mSender << ";\n";
  s << path << "/senderid;0;" << AK_SENDER_ID << ';' << ArborTalkUtils::getSenderID() << ";\n";
  s << path << "/timeout;0;" << AK_TIMEOUT << ';';
  if (mTimeout != 0) {
    const uint32_t deadline = mTimestamp + mTimeout;
    s << ArborTalkUtils::getTimeString(&deadline) << ";\n";
  } else {
    s << "undefined;\n";
  }
  s << path << "/type;0;" << AK_TYPE << ';';
  if (mType.length() > 0)
    s << mType << ";\n";
  else
    s << "undefined;\n";
  s << path << "/request;0;" << AK_RESPONSE_REQUEST << ';';
  if (mResponseRequest.length() > 0)
    s << mResponseRequest << '\n';
  else
    s << "undefined;\n";
  if (mHeaders) {
    s << path << "/headers;1;Headers;;\n";
    for (const Header* h = mHeaders; h; h = h->next)
      s << path << "/headers/" << h->name << ";0;" << h->name << ';' << h->value << ";\n";
  } else {
    s << path << "/headers;0;Headers;(no headers);\n";
  }
  s << path << "/timestamp;0;Timestamp;";
  if (mTimestamp != 0)
    s << ArborTalkUtils::getTimeString(&mTimestamp) << ";\n";
  else
    s << "undefined;\n";
  s << path << "/serialnumber;0;Serial-Number;" << mSerialNumber << ";\n";
  const struct {
    const char* name;
    const char* label;
    uint32_t value;
  } answers[] = {{"received", AK_RECEIVED, mReceived},
                 {"result", AK_RESULT, mResult},
                 {"error", AK_ERROR, mError}};
  for (const auto& answer : answers) {
    s << path << '/' << answer.name << ";0;" << answer.label << ';';
    if (answer.value != kNone)
      s << answer.value << ";\n";
    else
      s << "undefined;\n";
  }
  if (mBody.length() == 0) {
    s << path << "/body;0;Body;(empty);\n";
  } else {
    s << path << "/body;1;Body;" << static_cast<uint32_t>(mBody.length()) << " bytes;\n";
    const std::string_view body = view(mBody);
    const std::string_view firstLine = body.substr(0, body.find('\n'));
    s << path << "/body/text;0;Text;";
    s.append(firstLine.data(), static_cast<int32_t>(firstLine.size()));
    s << '\n';
  }
  out << s;
}

void ArborTalk::Message::setAuthentication(bool on) {
  MessageGlobals::get()->setAuthentication(on);
}

bool ArborTalk::Message::getAuthentication() {
  return MessageGlobals::get()->getAuthentication();
}

void ArborTalk::Message::setCreateDigest(bool on) {
  MessageGlobals::get()->setCreateDigest(on);
}

bool ArborTalk::Message::getCreateDigest() {
  return MessageGlobals::get()->getCreateDigest();
}

}  // namespace Velt
