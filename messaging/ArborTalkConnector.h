#pragma once

#include "messaging/VtLockable.h"
#include "messaging/VtString.h"

namespace Velt {

// The registry of the applications messages can be sent to. One connector is
// current in the process; the library owns it.
class ArborTalkConnector : public VtLockable {
 public:
  class InitTerm {
   public:
    // Deletes the current connector; from then on there is none, for good.
    static bool exit();
  };

  explicit ArborTalkConnector(const VtString& appSpecifier);
  ArborTalkConnector(const ArborTalkConnector&) = delete;
  ArborTalkConnector& operator=(const ArborTalkConnector&) = delete;
  ~ArborTalkConnector() override;

  // Index -1: the specifier of the application running this library.
  virtual VtString getApplicationSpecifier(int index) const;
  // Whether messages of that application are authenticated, and carry a
  // digest; true for an application the registry does not know.
  virtual bool getMessageAuthentication(const VtString& specifier) const;
  virtual bool getMessageDigest(const VtString& specifier) const;

  // The current connector, or null. Used after InitTerm::exit it raises a
  // debug alert.
  static ArborTalkConnector* get();
  // Makes connector current and takes it over, deleting the one before.
  // After InitTerm::exit the given connector is deleted instead.
  static void set(ArborTalkConnector* connector);

 protected:
  VtString mAppSpecifier;
};

}  // namespace Velt
