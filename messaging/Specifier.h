#pragma once

#include "messaging/ArborTalk.h"
#include "messaging/VtString.h"

namespace Velt {

// The target of a message, as text:
//   name[_instance][-version][-locale][#suffix]
// for example "lumen_2-9.0-en_us#thread". A version starts with a digit; a
// "-" part that does not is the locale. The text is kept in lower case.
// Completion fills in what a bare name leaves open from the registry of the
// current connector: a copy that runs, else the version the calling
// application prefers, else the newest version in the user's language.
class ArborTalk::Specifier : public VtString {
 public:
  // The longest text taken; longer ones leave the specifier empty.
  static constexpr int32_t kMaxLength = 255;
  // Versions from here on are never chosen as the newest.
  static constexpr double kVersionBound = 99.0;

  Specifier() = default;
  // A null or too long text gives the empty specifier. With fixUp the text
  // is completed (fixUp(true)), else only lower-cased.
  Specifier(const char* text, bool fixUp);
  Specifier(const Specifier& other) = default;
  Specifier& operator=(const Specifier& other);
  ~Specifier() override;

  VtString appName() const;
  VtString instance() const;
  VtString version() const;
  VtString locale() const;
  VtString suffix() const;

  // Replace one part (an empty text removes it); always true.
  bool setAppName(const VtString& name);
  bool setInstance(const VtString& instance);
  bool setSuffix(const VtString& suffix);
  // A registered version of this application: an exact match, or for a
  // negative value the highest not above its absolute value. False, and
  // the text unchanged, when there is none.
  bool setVersion(const VtString& version);
  // A registered locale of this application and version; false, and the
  // text unchanged, when there is none.
  bool setLocale(const VtString& locale);
  // The name followed by "-" and group, completed; true when not empty.
  bool setGroup(const VtString& group);
  // The group whose highest edition lists this application (the edition
  // goes to edition when given); empty without a context or connector.
  VtString group(VtString* edition = nullptr) const;
  // Completes the text in place; with usePreferred the calling
  // application's preferred version is asked first.
  void fixUp(bool usePreferred);
  // The application this one prefers for name (in its group, or of that
  // version); name itself when it prefers none, empty without a context.
  VtString preferred(const VtString& name, const VtString& version) const;

  // Where the registry says the target is installed; empty when unknown.
  VtString getApplicationPath(const char* kind = nullptr) const;
  bool isInstalled() const;
  bool isRunning() const;
  bool isBusy() const;
  // What the target's background thread reports ("BUSY", "IDLE",
  // "PUMPING"); empty when it cannot be asked.
  VtString status() const;

  // Registry changes through the current context's connector; false
  // without one.
  bool registerApplication(const VtString& path, const VtString* displayName = nullptr,
                           bool isShellTool = false) const;
  bool unregisterApplication(const VtString* text = nullptr) const;
  bool addToGroup(const VtString& group, const VtString* edition = nullptr) const;
  bool removeFromGroup(const VtString& group, const VtString* edition = nullptr) const;

 private:
  void rebuild(const VtString& name, const VtString& instance, const VtString& version,
               const VtString& locale, const VtString& suffix);
  void lowercaseInPlace();
};

}  // namespace Velt
