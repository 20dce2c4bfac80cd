// Reads arbitrary bytes as a buffer of messages, the way a receiver takes
// what arrived, and checks that reading always moves on within the buffer
// and that whatever was read writes and reads back with the same body and,
// where custom headers are prefixed, an accepted digest. The first byte
// picks the two digest switches.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messaging/Message.h"
#include "platform/os/PlatformConfig.h"

using Velt::VtString;
using Message = Velt::ArborTalk::Message;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool plainHeaders(const VtString& version) {
  return version == "" || version == "1.0" || version == "2.0";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Without a home folder the key is empty and nothing touches the disk.
  static platform::PlatformConfig config;
  config.home = "";
  static platform::PlatformConfig::Override noHome(config);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Message::setAuthentication(data[0] & 1);
  Message::setCreateDigest(data[0] & 2);
  const char* text = reinterpret_cast<const char*>(data + 1);
  const char* const end = text + (size - 1);

  for (const char* p = text; p < end;) {
    Message m;
    const char* next = m.readFromString(p, static_cast<size_t>(end - p));
    check(next > p && next <= end);
    p = next;

    VtString dump;
    m.logToString("FUZZ", dump, true);
    m.appendDiagnostics(dump, "/fuzz");

    VtString written;
    if (!m.writeToString(written)) {
      check(m.mTarget.length() == 0 || m.mSender.length() == 0);
      continue;
    }
    Message::setAuthentication(true);
    Message back;
    check(back.readFromString(written.get(), static_cast<size_t>(written.length())) ==
          written.get() + written.length());
    check(back.mBody.length() == m.mBody.length() &&
          std::string(back.mBody.get(), back.mBody.length()) ==
              std::string(m.mBody.get(), m.mBody.length()));
    if (!plainHeaders(m.mVersion)) check(back.mAuthenticationStatus == "");
    Message::setAuthentication(data[0] & 1);
  }

  // The C-string form stops at the first NUL.
  const std::string copy(text, static_cast<size_t>(end - text));
  Message c;
  const char* stop = c.readFromString(copy.c_str());
  check(stop >= copy.c_str() && stop <= copy.c_str() + copy.size());
  return 0;
}
