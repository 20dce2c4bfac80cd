#pragma once

#include "messaging/SocketInterAppStream.h"

namespace Velt {

// The stream the library makes. Streams are made through create(), so that
// tests can put an in-process stand-in in place of the platform's ports.
class InterAppStream : public SocketInterAppStream {
 public:
  // Makes the streams that create() hands out; null restores the real one.
  using Factory = BaseInterAppStream* (*)(const VtString& specifier, bool flag);

  InterAppStream(const VtString& specifier, bool flag);
  ~InterAppStream() override;

  static void setFactory(Factory factory);
  // A new stream for specifier; the caller owns it.
  static BaseInterAppStream* create(const VtString& specifier, bool flag);
};

}  // namespace Velt
