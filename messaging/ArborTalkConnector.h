#pragma once

#include <cstdint>

#include "messaging/AKConnectorAppInfo.h"
#include "messaging/AKConnectorAppInfoList.h"
#include "messaging/ArborTalk.h"
#include "messaging/VtLockable.h"
#include "messaging/VtString.h"
#include "messaging/VtVector.h"

namespace Velt {

class ArborTalkContext;

// The registry of the applications messages can be sent to: where each is
// installed, how it is named, which messaging options it uses, and which
// applications belong together in groups. The registry is kept in memory;
// a subclass loads it from its store and keeps the store up to date. One
// connector is current in the process; the library owns it.
//
// Group entries read "<group>/<edition>/<name>-<version>", for example
// "wb/3/arbor-2.0": split at the first and the last "/".
//
// Every operation holds the connector's lock (recursive) for its whole run;
// the entry list also locks itself. The lock order is connector, then list.
class ArborTalkConnector : public VtLockable {
 public:
  using Specifier = ArborTalk::Specifier;

  static constexpr char kAppSubdomainPrefix[] = "/vesko/arbortalk/";
  static constexpr char kGroupSubdomainPrefix[] = "/vesko/arbortalk/groups/";
  static constexpr char kExecutableExtensionKey[] = "ExecutableExtensionMac";
  static constexpr char kExecutableExtensionUnixKey[] = "ExecutableExtensionUnix";
  static constexpr char kExecutableExtensionWinKey[] = "ExecutableExtensionWin";
  static constexpr char kExecutablePathKey[] = "ExecutablePath";
  static constexpr char kArborTalkCodeKey[] = "ArborTalkCode";

  class InitTerm {
   public:
    // Makes the default connector current unless one is.
    static bool init(const VtString& appSpecifier);
    // Deletes the current connector; from then on there is none, for good.
    static bool exit();
  };

  explicit ArborTalkConnector(const VtString& appSpecifier);
  ArborTalkConnector(const ArborTalkConnector&) = delete;
  ArborTalkConnector& operator=(const ArborTalkConnector&) = delete;
  ~ArborTalkConnector() override;

  // The version of target that shares a group edition with caller.
  virtual VtString findPreferredApp(const VtString& caller, const VtString& target,
                                    const VtString& group);
  // The group whose highest edition lists the specifier; the edition goes
  // to edition when given.
  virtual VtString findGroupForSpecifier(const Specifier& specifier, VtString* edition);
  // The installed member of that group edition named appName, or appName
  // resolved alone.
  virtual VtString findSpecifierInGroup(const VtString& appName, const VtString& group,
                                        const VtString& edition);
  // The registry could be loaded.
  virtual bool isGood() const;
  virtual bool launchTarget(const VtString& specifier, const VtString& parameters, bool toFront,
                            ArborTalkContext* context);
  virtual int32_t getNumberOfRegisteredApplications() const;
  // Index -1: the specifier of the application running this library; out
  // of range: empty.
  virtual VtString getApplicationSpecifier(int32_t index) const;
  // The registered display name, else the name of the installed item
  // without its extension.
  virtual VtString getDisplayName(const VtString& name, const VtString& version,
                                  const VtString& locale) const;
  virtual void bringToFront(const char* specifier, ArborTalkContext* context) const;
  // Where the application is installed (a suffix is ignored); kind is
  // not used.
  virtual VtString getApplicationPath(const VtString& specifier, const char* kind) const;
  virtual bool supportsORKT(const VtString& specifier) const;
  virtual bool isShellTool(const VtString& specifier) const;
  // True for an application the registry does not know.
  virtual bool getMessageAuthentication(const VtString& specifier) const;
  virtual bool getMessageDigest(const VtString& specifier) const;
  virtual VtString getBundleIdentifier(const VtString& specifier) const;
  virtual VtString getExecutableBasename(const VtString& specifier) const;
  virtual VtString getExecutableExtension(const VtString& specifier) const;
  // "none" for a registered application without one.
  virtual VtString getOMVDictionary(const VtString& specifier) const;
  virtual VtString getDeveloperInstallPath(const VtString& specifier) const;
  virtual VtString getRedirectTo(const VtString& specifier) const;
  // Process ids live only in memory, on the entry of exactly that text.
  virtual bool setProcessID(const VtString& specifier, uint32_t processID);
  virtual uint32_t getProcessID(const VtString& specifier);
  // Drops both lists; the next use loads them again.
  virtual void clearCache();
  virtual bool registerApplication(const Specifier& specifier, const VtString& path,
                                   const VtString* displayName, bool isShellTool,
                                   bool supportsORKT);
  virtual bool unregisterApplication(const Specifier& specifier, const VtString* text);
  virtual bool addToGroup(const Specifier& specifier, const VtString& group,
                          const VtString* edition) = 0;
  virtual bool removeFromGroup(const Specifier& specifier, const VtString& group,
                               const VtString* edition) = 0;
  virtual VtString getName() const = 0;
  // Unregisters every application and group membership.
  virtual bool removeAll();
  virtual bool updateCache(bool force);
  // When the store last changed; 0 when unknown.
  virtual uint64_t getTimestamp() const;
  // Registers the known applications that answer a ping but are not
  // registered.
  virtual bool registerRunningApps();

  // The configuration document of one registered application, or of the
  // groups for "groups"; empty when there is nothing whole to describe.
  VtString getConnectorConfig(const VtString& which) const;
  // The diagnostics records of the registry under path; running targets
  // are asked for their own records (each ping may take 10 seconds),
  // without the connector's lock.
  void appendDiagnostics(VtString& out, const VtString& path) const;
  // Registers the entries and group entries of other here; false when
  // anything was refused (the rest is still imported) or other is this
  // connector's kind.
  bool importFrom(const ArborTalkConnector& other);
  // Same key names, prefixes, groups and entries (process ids aside).
  bool isEqual(const ArborTalkConnector& other) const;
  // As isEqual, raising a debug alert for every difference.
  bool validate(const ArborTalkConnector& other) const;

  // The lists, loaded on first use; null when loading failed (it is not
  // tried again before clearCache).
  AKConnectorAppInfoList* getAppInfoList() const;
  VtVector<VtString>* getGroupsCache() const;
  void clearGroupsCache();
  bool doRegisterApplication(AKConnectorAppInfo& info);
  VtString getAppSubdomainName(const VtString& name) const;
  VtString getGroupSubdomainName(const VtString& entry) const;

  // The current connector, or null. Used after InitTerm::exit it raises a
  // debug alert.
  static ArborTalkConnector* get();
  // Makes connector current and takes it over, deleting the one before.
  // After InitTerm::exit the given connector is deleted instead.
  static void set(ArborTalkConnector* connector);

 protected:
  // The store: load both lists, write or delete one entry.
  virtual bool initLists(AKConnectorAppInfoList& apps, VtVector<VtString>& groups) = 0;
  virtual bool registerApplication(AKConnectorAppInfo& info) = 0;
  virtual bool unregisterApplication(const AKConnectorAppInfo& info) = 0;
  // Whether an import leaves this entry out.
  virtual bool skipImport(const AKConnectorAppInfo& info) const;

  // The entry of the specifier, copied out; false when there is none or
  // the registry cannot be loaded.
  bool findEntry(const VtString& specifier, AKConnectorAppInfo& out) const;

  VtString mAppSpecifier;
  VtString mAppSubdomainPrefix;
  VtString mGroupSubdomainPrefix;
  VtString mGroupKeyPrefix;
  VtString mGuidKey;
  VtString mLocationKey;
  VtString mWinClassNameKey;
  VtString mDisplayNameKey;
  VtString mBundleIdentifierKey;
  VtString mArborTalkVersionKey;
  VtString mAllowMultipleInstancesKey;
  VtString mIsShellToolKey;
  VtString mMessageAuthenticationKey;
  VtString mMessageDigestKey;
  VtString mSupportsOrktKey;
  VtString mExecutableBasenameKey;
  VtString mExecutableExtensionKey;
  VtString mOMVDictionaryKey;
  VtString mDeveloperInstallPathKey;
  VtString mRedirectToKey;
  VtString mExecutablePathKey;

 private:
  Specifier resolveSpecifier(const VtString& fallback, const VtString& text);

  mutable VtVector<VtString>* mGroupsCache = nullptr;
  mutable AKConnectorAppInfoList* mAppInfoList = nullptr;
  mutable bool mListsLoaded = false;
};

}  // namespace Velt
