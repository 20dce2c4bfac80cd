#include "messaging/InterAppStream.h"

#include <atomic>
#include <mutex>

#include "messaging/DebugAlert.h"
#include "messaging/Specifier.h"

namespace Velt {

namespace {

constexpr char kPingSuffix[] = "ping";
constexpr char kDefaultSpecifier[] = "interappstream-1.0";
constexpr int kMaxInstance = 8;

std::atomic<InterAppStream::Factory> gFactory{nullptr};

std::mutex gProcessStreamMutex;
BaseInterAppStream* gProcessStream = nullptr;

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

void InterAppStream::InitTerm::init(const VtString& appSpecifier) {
  std::lock_guard<std::mutex> guard(gProcessStreamMutex);
  delete gProcessStream;
  gProcessStream = nullptr;
  ArborTalk::Specifier specifier(appSpecifier, false);
  specifier.setSuffix(VtString(kPingSuffix));
  // createNext hands out usable streams only.
  gProcessStream = ArborTalkUtils::createNextAvailableInterAppStream(specifier);
}

void InterAppStream::InitTerm::exit() {
  std::lock_guard<std::mutex> guard(gProcessStreamMutex);
  delete gProcessStream;
  gProcessStream = nullptr;
}

BaseInterAppStream* InterAppStream::get() {
  std::lock_guard<std::mutex> guard(gProcessStreamMutex);
  if (!gProcessStream)
    gProcessStream = ArborTalkUtils::createNextAvailableInterAppStream(VtString(kDefaultSpecifier));
  return gProcessStream;
}

BaseInterAppStream* ArborTalkUtils::createNextAvailableInterAppStream(const VtString& specifier) {
  if (specifier.length() == 0) {
    VT_DEBUG_ALERT("ArborTalkUtils::createNextAvailableInterAppStream - empty specifier");
    return nullptr;
  }
  BaseInterAppStream* stream = InterAppStream::create(specifier, false);
  if (stream->isGood()) return stream;
  delete stream;

  ArborTalk::Specifier numbered(specifier, false);
  if (numbered.instance().length() == 0) {
    for (int32_t n = 1; n <= kMaxInstance; ++n) {
      VtString instance;
      instance << n;
      numbered.setInstance(instance);
      stream = InterAppStream::create(numbered, false);
      if (stream->isGood()) return stream;
      delete stream;
    }
  }
  VtString alert("Can't create stream: ");
  alert << specifier;
  VT_DEBUG_ALERT(alert.get());
  return nullptr;
}

}  // namespace Velt
