#include "app/PlexarEngine.h"

#include <atomic>
#include <memory>

#include "app/AppServices.h"
#include "engine/CZorbHostMessenger.h"
#include "engine/CZorbPlexar.h"
#include "messaging/ArborTalk.h"
#include "messaging/Message.h"
#include "messaging/VtString.h"
#include "products/CZorbProduct.h"

namespace {

std::string Bytes(const Velt::VtString& text) {
  return std::string(text.get(), static_cast<size_t>(text.length()));
}

Velt::VtString Vt(const std::string& text) {
  return Velt::VtString(text.data(), static_cast<int32_t>(text.size()));
}

// Set by the start-up's set-up of the library, which the engine stops.
std::atomic<bool> g_messagingStarted{false};

}  // namespace

PlexarEngine::~PlexarEngine() {
  // The engine outlives every command; nothing sends any more.
  StopMessaging();
}

void PlexarEngine::StopMessaging() {
  if (!g_messagingStarted.exchange(false)) return;
  CZorbHostMessenger::SetSender(nullptr);
  CZorbProduct::SetPinger(nullptr);
  (void)Velt::ArborTalk::InitTerm::exit();
}

void PlexarEngine::SetDefaultProductLocale(const CString& locale) {
  CZorbProduct::_defaultLocale = locale;
}

void PlexarEngine::InstallServices() {
  AppServices::setMakeEngine([] { return std::make_unique<PlexarEngine>(); });
  CZorbPlexar::SetBuiltInHostMaker(&CZorbPlexar::MakeBuiltInHost);
  CZorbPlexar::SetOwnProductMaker(&CZorbPlexar::MakeOwnProduct);
  AppServices::setMessaging(&PlexarEngine::InitMessaging, &PlexarEngine::LaunchOptions);
}

bool PlexarEngine::InitMessaging(const std::string& specifier) {
  if (!Velt::ArborTalk::InitTerm::init(Vt(specifier), true)) return false;
  g_messagingStarted = true;
  CZorbProduct::SetPinger(&PlexarEngine::PingHost);
  CZorbHostMessenger::SetSender(&PlexarEngine::SendToHost, &PlexarEngine::HasMessagingInstance);
  return true;
}

std::string PlexarEngine::LaunchOptions() {
  return Bytes(Velt::ArborTalk::getLaunchOptions());
}

std::string PlexarEngine::PingHost(const char* target, const char* key, int32_t timeoutSeconds) {
  if (target == nullptr) return std::string();
  return Bytes(Velt::ArborTalk::Thread::ping(target, key, timeoutSeconds, nullptr));
}

bool PlexarEngine::HasMessagingInstance() {
  return Velt::ArborTalk::get() != nullptr;
}

bool PlexarEngine::SendToHost(const std::string& target, const std::string& body) {
  Velt::ArborTalk* instance = Velt::ArborTalk::get();
  if (instance == nullptr || target.empty()) return false;
  Velt::ArborTalk::Message message;
  message.mTarget = Vt(target);
  message.mBody = Vt(body);
  return instance->send(message, true, 0, nullptr);
}
