#include "messaging/InterAppStream.h"

#include <atomic>

namespace Velt {

namespace {

std::atomic<InterAppStream::Factory> gFactory{nullptr};

}  // namespace

InterAppStream::InterAppStream(const VtString& specifier, bool flag)
    : SocketInterAppStream(specifier, flag) {}

InterAppStream::~InterAppStream() = default;

void InterAppStream::setFactory(Factory factory) {
  gFactory.store(factory);
}

BaseInterAppStream* InterAppStream::create(const VtString& specifier, bool flag) {
  if (Factory factory = gFactory.load()) return factory(specifier, flag);
  return new InterAppStream(specifier, flag);
}

}  // namespace Velt
