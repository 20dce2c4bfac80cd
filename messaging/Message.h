#pragma once

#include <cstddef>
#include <cstdint>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkData.h"
#include "messaging/VtString.h"

namespace Velt {

// One request or answer between two applications, and its text form: header
// lines "key:value", an empty line, the body. A digest line may head the
// text; reading checks it when authentication is on.
class ArborTalk::Message : public VtLockable {
 public:
  // One custom header; the message owns the list, newest first.
  class Header : public VtHeap {
   public:
    Header(const VtString& headerName, const VtString& headerValue)
        : name(headerName), value(headerValue) {}

    Header* next = nullptr;
    VtString name;
    VtString value;
  };

  Message();
  // Copies every field; the copy's custom headers are in the opposite order.
  Message(const Message& other);
  Message& operator=(const Message&) = delete;
  ~Message() override;

  VtString getVersion() const;

  // Replaces the value of the header of that name (case-sensitive), or puts
  // a new header at the front. Nothing for an empty name; a null value is
  // the empty text.
  void setHeader(const char* name, const char* value);
  // The same with texts that may hold NUL bytes.
  void setHeader(const VtString& name, const VtString& value);
  void setHeader(const char* name, int32_t value);
  void setHeader(const char* name, uint32_t value);
  void removeHeader(const char* name);
  // The value of the header of that name, or the empty text.
  VtString getUserHeaderValue(const char* name) const;
  // The first (newest) custom header.
  const Header* getHeaders() const { return mHeaders; }

  // False for the system's message types.
  bool isUserType() const;
  // True when reading found a wrong digest, or did not check it.
  bool isRejected() const;

  // Appends the text form; false (text unchanged) for an empty target or
  // sender.
  bool writeToString(VtString& text) const;
  // Fills the message from the text form at text and returns where the next
  // message starts. The first form stops at the NUL; the second reads length
  // bytes, so a body may hold NUL bytes. Never fails: malformed lines become
  // custom headers, missing numbers 0, a short body ends with the text.
  const char* readFromString(const char* text);
  const char* readFromString(const char* text, size_t length);

  // Replaces out with a readable dump.
  bool logToString(const char* label, VtString& out, bool withBody) const;
  // Appends the diagnostics records under root + "/msg" + serial number.
  void appendDiagnostics(VtString& out, const VtString& root) const;

  // The process-wide switches (MessageGlobals): check the digests of
  // incoming messages, put digests on outgoing ones.
  static void setAuthentication(bool on);
  static bool getAuthentication();
  static void setCreateDigest(bool on);
  static bool getCreateDigest();

  VtString mTarget;
  VtString mSender;
  uint32_t mTimeout = 0;  // seconds after the timestamp; 0 none
  VtString mType;
  VtString mResponseRequest;
  uint32_t mTimestamp = 0;  // seconds since 1970
  uint32_t mContentLength = 0;
  uint32_t mSerialNumber = 0;
  uint32_t mReceived = ArborTalkData::AK_INVALID_MESSAGE_NUMBER;
  uint32_t mResult = ArborTalkData::AK_INVALID_MESSAGE_NUMBER;
  uint32_t mError = ArborTalkData::AK_INVALID_MESSAGE_NUMBER;
  VtString mBody;
  VtString mVersion;
  // Empty: accepted; "REJECTED" or "NODIGEST". Set by reading.
  VtString mAuthenticationStatus;

 private:
  void deleteHeaders();
  void clear();

  Header* mHeaders = nullptr;
};

}  // namespace Velt
