#pragma once

#include "messaging/VtLockable.h"

namespace Velt {

// The process-wide message switches: check the digests of incoming messages
// (authentication), put digests on outgoing ones. Both start on, unless the
// current connector records otherwise for this application.
class MessageGlobals : public VtLockable {
 public:
  MessageGlobals();

  // Creates the object when absent.
  static void init();
  // Deletes it; the next get() makes a new one.
  static void exit();
  // The object, made on first use.
  static MessageGlobals* get();

  void setAuthentication(bool on);
  bool getAuthentication() const;
  void setCreateDigest(bool on);
  bool getCreateDigest() const;

 private:
  bool mAuthentication = true;
  bool mCreateDigest = true;
};

}  // namespace Velt
