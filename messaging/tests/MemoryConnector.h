#pragma once

#include <string>
#include <utility>
#include <vector>

#include "messaging/AKConnectorAppInfo.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/Specifier.h"
#include "platform/os/PlatformConfig.h"

// A registry held in memory: the lists it loads are copies of `apps` and
// `groups`, and it counts the store operations.
class MemoryConnector : public Velt::ArborTalkConnector {
 public:
  explicit MemoryConnector(const char* appSpecifier = "plexo-5.0")
      : ArborTalkConnector(appSpecifier) {}
  ~MemoryConnector() override { clearCache(); }

  using ArborTalkConnector::registerApplication;
  using ArborTalkConnector::unregisterApplication;

  // An entry of specifier installed at location (empty: "/Applications/<specifier>.app").
  MemoryConnector& add(const char* specifier, const char* location = nullptr) {
    Velt::AKConnectorAppInfo info;
    info.mSpecifier = specifier;
    info.mLocation =
        location ? location : (std::string("/Applications/") + specifier + ".app").c_str();
    apps.push_back(info);
    return *this;
  }
  MemoryConnector& group(const char* entry) {
    groups.emplace_back(entry);
    return *this;
  }

  // Records "<group>/<edition>/<member>" (no edition: "<group>//<member>").
  bool addToGroup(const Specifier& member, const Velt::VtString& groupName,
                  const Velt::VtString* edition) override {
    ++storeCalls;
    grouped.push_back(std::string(groupName.get()) + "/" + (edition ? edition->get() : "") + "/" +
                      member.get());
    return !storeRefuses;
  }
  bool removeFromGroup(const Specifier&, const Velt::VtString&, const Velt::VtString*) override {
    ++storeCalls;
    return true;
  }
  Velt::VtString getName() const override { return name.c_str(); }

  std::vector<Velt::AKConnectorAppInfo> apps;
  std::vector<std::string> groups;
  std::vector<std::string> grouped;
  std::string name = "memory";
  bool loadFails = false;
  bool storeRefuses = false;
  int loads = 0;
  int storeCalls = 0;

 protected:
  bool initLists(Velt::AKConnectorAppInfoList& list,
                 Velt::VtVector<Velt::VtString>& groupList) override {
    ++loads;
    if (loadFails) return false;
    for (const auto& info : apps) list.append(new Velt::AKConnectorAppInfo(info));
    for (const auto& entry : groups) groupList.append(new Velt::VtString(entry.c_str()));
    return true;
  }
  bool registerApplication(Velt::AKConnectorAppInfo&) override {
    ++storeCalls;
    return !storeRefuses;
  }
  bool unregisterApplication(const Velt::AKConnectorAppInfo&) override {
    ++storeCalls;
    return !storeRefuses;
  }
};

// Makes a connector current for the scope (and none afterwards).
class ScopedConnector {
 public:
  explicit ScopedConnector(Velt::ArborTalkConnector* connector) {
    Velt::ArborTalkConnector::set(connector);
  }
  ~ScopedConnector() { Velt::ArborTalkConnector::set(nullptr); }
  ScopedConnector(const ScopedConnector&) = delete;
  ScopedConnector& operator=(const ScopedConnector&) = delete;
};

// Makes a context of this application current for the scope.
class ScopedContext {
 public:
  explicit ScopedContext(const char* appSpecifier) {
    Velt::ArborTalkContext::setCurrentContext(new Velt::ArborTalkContext(appSpecifier));
  }
  ~ScopedContext() { Velt::ArborTalkContext::setCurrentContext(nullptr); }
  ScopedContext(const ScopedContext&) = delete;
  ScopedContext& operator=(const ScopedContext&) = delete;
};

// The user's locale for the scope.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* language) : mOverride(with(language)) {}

 private:
  static platform::PlatformConfig with(const char* language) {
    platform::PlatformConfig config = platform::PlatformConfig::current();
    config.preferredLanguage = language;
    return config;
  }
  platform::PlatformConfig::Override mOverride;
};
