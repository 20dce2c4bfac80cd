#pragma once

#include "messaging/SocketInterAppStream.h"

namespace Velt {

// The stream the library makes. Streams are made through create(), so that
// tests can put an in-process stand-in in place of the platform's ports.
class InterAppStream : public SocketInterAppStream {
 public:
  // Makes the streams that create() hands out; null restores the real one.
  using Factory = BaseInterAppStream* (*)(const VtString& specifier, bool flag);

  // The process stream, which pings and launch-parameter checks use.
  class InitTerm {
   public:
    // Replaces the process stream by one for appSpecifier with the suffix
    // "ping" (or the next free instance of it); none when no port can be
    // had.
    static void init(const VtString& appSpecifier);
    // Deletes the process stream.
    static void exit();
  };

  InterAppStream(const VtString& specifier, bool flag);
  ~InterAppStream() override;

  static void setFactory(Factory factory);
  // A new stream for specifier; the caller owns it.
  static BaseInterAppStream* create(const VtString& specifier, bool flag);

  // The process stream; without one, a stream for "interappstream-1.0" (or
  // the next free instance of it) is made and kept. Null when none can be
  // had.
  static BaseInterAppStream* get();
};

namespace ArborTalkUtils {

// A stream for specifier, or, when its port is taken and the specifier has
// no instance part, for the first of the instances 1 to 8 whose port is
// free. Null (with a debug alert) when none can be had; the caller owns the
// stream.
BaseInterAppStream* createNextAvailableInterAppStream(const VtString& specifier);

}  // namespace ArborTalkUtils

}  // namespace Velt
