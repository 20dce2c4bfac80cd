#pragma once

#include <cstdint>

#include "messaging/ArborTalk.h"
#include "messaging/VtHeap.h"
#include "messaging/VtString.h"

namespace Velt::ArborTalkUtils {

// Starts applications that messages are sent to, hands them launch
// parameters, and finds them running.
class Launcher {
 public:
  enum Focus : int32_t { kFront = 0, kBackground = 1 };
  enum SearchHint : int32_t { kByBundleLocation = 3 };

  // What a launch needs of the launching application's main instance: its
  // name, serial numbers, its outgoing queue and handler table, and the ping
  // values of its background thread. Without an outlet the application has
  // no main instance, and launches queue nothing.
  class Outlet : public VtHeap {
   public:
    virtual VtString getAppName() = 0;
    virtual uint32_t getNextSerialNumber() = 0;
    // Puts the message into the main instance's outgoing queue, which takes
    // it over.
    virtual void queueOutgoing(ArborTalk::Message* message) = 0;
    // Installs the handler in the main instance; returns the handler it
    // replaces, which the caller then owns.
    virtual ArborTalk::MsgHandler* changeHandler(ArborTalk::MsgHandler* handler) = 0;
    // Takes the handler of that type and serial number out of the instance
    // named instanceName; null when there is no such instance or handler.
    virtual ArborTalk::MsgHandler* removeHandler(const VtString& instanceName, const VtString& type,
                                                 uint32_t serial) = 0;
    // Deletes the message of that serial number from the outgoing queue of
    // the instance named instanceName.
    virtual bool removeOutgoingMessage(const VtString& instanceName, uint32_t serial) = 0;
    // Sets a ping value of the background thread; an empty value clears it.
    virtual void setPingValue(const VtString& key, const VtString& value) = 0;
  };
  // The outlet is not owned; null removes it.
  static void setOutlet(Outlet* outlet);
  static Outlet* getOutlet();

  // Opens an address with whatever the user has for it; true when it could
  // be handed over.
  using UrlOpener = bool (*)(const VtString& url);
  // Null restores the default, which hands the address to xdg-open.
  static void setUrlOpener(UrlOpener opener);

  // Starts the application installed at applicationPath (a bundle folder)
  // for specifier, or opens applicationPath when it is an https address.
  // parameters (may be null) are handed to the new process by messages of
  // the main instance. processId (may be null) receives the new process's
  // id, 0 when none. The focus has no effect here: nothing is brought to
  // the front on this platform. True on success.
  static bool launch(const VtString& specifier, const VtString& applicationPath,
                     const char* parameters, int32_t focus, uint32_t* processId);
  // Asks the running application whose bundle is at path to reopen; only
  // kByBundleLocation is supported, other hints raise a debug alert.
  static void bringToFront(const VtString& path, int32_t hint);
  // Whether pid is not 0 and names a process.
  static bool isProcessRunning(uint32_t pid);
};

// The launch queue name of specifier: its application name, version and
// locale, and the suffix "launchparams". A launcher parks the parameters
// under it.
VtString getLaunchMsgQueueName(const VtString& specifier);

// How long a launched application waits for its parameters: it asks every
// pollMs, first under its name with its process id for ownIdMs, then under
// the launch queue name for queueMs. Tests shorten them.
struct LaunchWaits {
  uint32_t pollMs = 4000;
  uint32_t ownIdMs = 10000;
  uint32_t queueMs = 200000;
};
void setLaunchWaits(const LaunchWaits& waits);
LaunchWaits getLaunchWaits();

// On the launched side: the launch parameters left for the application of
// specifier. True, with empty parameters, at once when no launcher waits
// (nobody owns the marker port); true with the parameters when they came
// within the waits; false when the waits ran out or specifier is empty.
bool getLaunchParameters(const VtString& specifier, VtString& parameters);
// Owns the port of name and asks for a delivery every pollMs until one came
// or waitMs has passed; the body of the first message that came becomes the
// parameters. True, with empty parameters, when another process owns the
// name.
bool receiveLaunchParams(const VtString& name, VtString& parameters, uint32_t waitMs);

}  // namespace Velt::ArborTalkUtils
