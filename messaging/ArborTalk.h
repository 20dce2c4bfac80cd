#pragma once

#include <cstdint>

#include "messaging/VtLockable.h"
#include "messaging/VtString.h"

namespace Velt {

class ArborTalkContext;

namespace ArborTalkData {
class PrivateData;
}

// One messaging endpoint of an application: a named port, a table of
// message handlers, a queue of received and a queue of waiting messages.
// Its static operations are the library's facade. The classes it is the
// scope of are defined in their own headers.
class ArborTalk : public VtLockable {
 public:
  class Message;     // messaging/Message.h
  class MsgHandler;  // messaging/MsgHandler.h
  class Specifier;   // messaging/Specifier.h

  // The library's protocol version.
  static constexpr char kVersion[] = "2.0";
  // All serial numbers; a handler of it takes every message of its type.
  static constexpr uint32_t kAnySerial = 0xFFFFFFFFu;

  enum EnabledOperations : int32_t { kIncoming = 1, kOutgoing = 2, kBoth = 3 };
  enum Focus : int32_t { kFront = 0, kBackground = 1 };

  // Starts and stops the library for one application.
  class InitTerm {
   public:
    // Sets the library up for appSpecifier, on the calling thread when
    // synchronous, else on the set-up thread. False when it is set up
    // already or the set-up failed.
    static bool init(const VtString& appSpecifier, bool synchronous);
    // Deletes the current context and stops the library; false when there
    // is none.
    static bool exit();
  };

  // The ping values of the current context's background thread.
  class Thread {
   public:
    static bool setPingValue(const VtString& key, const VtString& value);
    static VtString getPingValue(const VtString& key);
    // Takes the handler over.
    static bool setPingHandler(const VtString& key, MsgHandler* handler);
    static MsgHandler* getPingHandler(const VtString& key);
    // Asks target's background thread for key ("ECHO_REQUEST" when null);
    // empty without a background thread of our own.
    static VtString ping(const char* target, const char* key, int32_t timeoutSeconds,
                         const VtString* value);
  };

  // The context given (null: the current one; when there is none and
  // isMain is true, the library is set up for specifier here) takes the
  // instance; handler (may be null) is taken over.
  ArborTalk(const char* specifier, MsgHandler* handler, bool isMain,
            ArborTalkContext* context = nullptr);
  ArborTalk(const ArborTalk&) = delete;
  ArborTalk& operator=(const ArborTalk&) = delete;
  ~ArborTalk() override;

  // Numbers, addresses and sends the message: to an instance of this
  // process directly, else through the port, else queued (launching the
  // target when launch is true). With waitSeconds, waits that long for the
  // answer. False when it was neither delivered nor queued.
  bool send(Message& message, bool launch = true, uint32_t waitSeconds = 0,
            const VtString* launchParameters = nullptr);
  bool sendResult(const Message& request, const VtString& result);
  // Answers the request with an "Error" response of that code; always
  // false.
  bool sendError(const Message& request, const VtString& text, int32_t code,
                 uint32_t waitSeconds = 0);
  // Sends the answer of kind keyword ("Received", "Processed", "Result",
  // "Error") when the request asked for it; response (may be null) is the
  // answer to fill in.
  bool sendResponse(const Message& request, const char* keyword, Message* response = nullptr);
  // Pumps until the handler waiting for message's serial number is gone.
  bool waitForResponse(const Message& message, uint32_t waitSeconds);

  // One step of pumping each; see the facade's pump.
  bool processIncomingMessage(uint32_t serial, bool dispatch);
  bool processOutgoingMessage();
  bool removeIncomingMessage(uint32_t serial);
  bool incomingMessagePending();
  bool outgoingMessagePending();
  bool messagePending();
  // Hands the message to its handler and answers as asked.
  void handleMessage(const Message& message);

  MsgHandler* findHandler(const VtString& type, uint32_t serial);
  // Returns the handler replaced, which the caller then owns.
  MsgHandler* changeHandler(MsgHandler* handler);
  MsgHandler* removeHandler(const VtString& type, uint32_t serial);
  bool deleteHandler(MsgHandler* handler);
  bool deleteHandlers(uint32_t serial);

  ArborTalkContext* getContext() const;
  void setContext(ArborTalkContext* context);
  VtString getAppName() const;
  void setAppName(const char* name);
  void appendDiagnostics(VtString& out, const VtString& prefix) const;

  ArborTalkData::PrivateData* getPrivateData() const { return mData; }

  // The facade.
  static ArborTalkContext* getSharedContext();
  static void setSharedContext(ArborTalkContext* context);
  static ArborTalk* get(ArborTalkContext* context = nullptr);
  static void set(ArborTalk* instance, ArborTalkContext* context = nullptr);
  static ArborTalk* get(const char* appName, ArborTalkContext* context = nullptr);
  static VtString getSharedAppName();
  static VtString getLaunchOptions();
  static bool suppressStartupScreen();
  static bool launchTarget(const char* specifier, const char* parameters, Focus focus,
                           ArborTalkContext* context = nullptr);
  static bool targetIsRunning(const char* specifier);
  static void bringToFront(const char* specifier, ArborTalkContext* context = nullptr);
  static bool pump(int32_t ops, ArborTalkContext* context = nullptr);
  // The library's diagnostics records, or a readable report of them.
  static void getDiagnostics(VtString& out, bool formatted);

  // The registry of the current connector; 0 or empty without one.
  static int32_t getNumberOfRegisteredApplications();
  static VtString getApplicationSpecifier(int32_t index);
  static VtString getDisplayName(const VtString& name, const VtString& version,
                                 const VtString& locale);
  // "refresh" drops the current connector's cache, "removeAll" empties its
  // registry; any other name (empty and "default" meaning the product
  // database) makes that connector current unless it is.
  static bool useConnector(const VtString& name);
  static bool updateConnectorCache(bool force);
  // Copies the registry of the connector named into the current one.
  static bool importFromConnector(const VtString& name);
  // The configuration document (see ArborTalkConnector) of the connector
  // named, current or made for the question.
  static VtString getConnectorConfig(const VtString& name, const VtString& which);

 private:
  bool putOneIncomingMessageInQueue();

  ArborTalkData::PrivateData* mData;
};

}  // namespace Velt
