#include "engine/CZorbHostMessenger.h"

#include <atomic>

#include "messaging/ArborTalkConnector.h"
#include "messaging/Specifier.h"
#include "messaging/VtString.h"

namespace {

std::atomic<CZorbHostMessenger*> g_current{nullptr};
std::atomic<CZorbHostMessenger::Sender> g_sender{nullptr};
std::atomic<CZorbHostMessenger::InstanceProbe> g_probe{nullptr};

CZorbHostMessenger& Library() {
  static CZorbHostMessenger library;
  return library;
}

}  // namespace

CZorbHostMessenger::~CZorbHostMessenger() = default;

bool CZorbHostMessenger::HasInstance() const {
  if (g_sender.load() == nullptr) return false;
  const InstanceProbe probe = g_probe.load();
  return probe == nullptr || probe();
}

bool CZorbHostMessenger::IsRunning(const std::string& specifier) const {
  if (specifier.empty()) return false;
  return Velt::ArborTalk::Specifier(specifier.c_str(), true).isRunning();
}

int32_t CZorbHostMessenger::RegisteredCount() const {
  Velt::ArborTalkConnector* connector = Velt::ArborTalkConnector::get();
  return connector ? connector->getNumberOfRegisteredApplications() : 0;
}

std::string CZorbHostMessenger::RegisteredSpecifier(int32_t index) const {
  Velt::ArborTalkConnector* connector = Velt::ArborTalkConnector::get();
  if (!connector) return std::string();
  const Velt::VtString specifier = connector->getApplicationSpecifier(index);
  return std::string(specifier.get(), static_cast<size_t>(specifier.length()));
}

bool CZorbHostMessenger::Send(const std::string& specifier, const std::string& body) {
  const Sender sender = g_sender.load();
  return sender != nullptr && sender(specifier, body);
}

bool CZorbHostMessenger::Launch(const std::string& specifier) {
  Velt::ArborTalkConnector* connector = Velt::ArborTalkConnector::get();
  if (!connector) return false;
  return connector->launchTarget(Velt::VtString(specifier.c_str()), Velt::VtString(""), false,
                                 nullptr);
}

CZorbHostMessenger& CZorbHostMessenger::Current() {
  CZorbHostMessenger* messenger = g_current.load();
  return messenger ? *messenger : Library();
}

void CZorbHostMessenger::SetCurrent(CZorbHostMessenger* messenger) {
  g_current.store(messenger);
}

void CZorbHostMessenger::SetSender(Sender sender, InstanceProbe probe) {
  g_probe.store(sender != nullptr ? probe : nullptr);
  g_sender.store(sender);
}
