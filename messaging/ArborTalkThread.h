#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "messaging/ArborTalk.h"
#include "messaging/Thread.h"
#include "messaging/VtHeap.h"
#include "messaging/VtString.h"
#include "messaging/VtVector.h"

namespace Velt {

class ArborTalkContext;
class BaseInterAppStream;

// The background thread of a context. It listens on a port of its own (the
// application's specifier with the suffix "#thread") and answers pings from
// other applications from its key/value store even while the application
// does not pump, drives the instances' queues, and drops store entries whose
// time-out has passed. Every operation holds the object's lock.
class ArborTalkThread : public Thread {
 public:
  static constexpr char AK_STATUS[] = "STATUS";
  static constexpr char AK_BUSY[] = "BUSY";
  static constexpr char AK_IDLE[] = "IDLE";
  static constexpr char AK_PUMPING[] = "PUMPING";
  static constexpr char AK_PINGTYPE[] = "ping";
  static constexpr char AK_ECHO_REQUEST[] = "ECHO_REQUEST";
  static constexpr char AK_ECHO_RESPONSE[] = "ECHO_RESPONSE";
  static constexpr char AK_DIAGNOSTICS[] = "DIAGNOSTICS";
  static constexpr char AK_INFO[] = "INFO";
  static constexpr char AK_MAIN[] = "MAIN";
  static constexpr char AK_LAUNCHED[] = "LAUNCHED";
  static constexpr char AK_FWDMESSAGES[] = "FWDMESSAGES";
  static constexpr char AK_FWDLOGS[] = "FWDLOGS";
  static constexpr char AK_FWDERRORS[] = "FWDERRORS";
  static constexpr char AK_NOP[] = "NOP";
  static constexpr char AK_SEEBODY[] = "SEE BODY";
  static constexpr char AK_ISNOTRUNNING[] = "ISNOTRUNNING";
  static constexpr char AK_ISNOTINSTALLED[] = "ISNOTINSTALLED";
  static constexpr char AK_INVALIDSPEC[] = "INVALIDSPEC";
  static constexpr char AK_UNDEFINED[] = "UNDEFINED";
  static constexpr char AK_NOERROR[] = "NOERROR";
  static constexpr char AK_MSGTOSTRINGERROR[] = "MSGTOSTRINGERROR";
  static constexpr char AK_NOINTERAPPSTREAM[] = "NOINTERAPPSTREAM";
  static constexpr char AK_LAUNCHPARAMS[] = "LAUNCHPARAMS";
  static constexpr char AK_SETUPTIME[] = "SETUPTIME";
  static constexpr char AK_IDLEHANDLER[] = "Idle";
  static constexpr char kThreadSuffix[] = "thread";
  // A pump counts as overdue after this many average pump intervals.
  static constexpr double kOverdueFactor = 10.0;
  // Pump intervals this short are not measured.
  static constexpr double kMinPumpDeltaMs = 10.0;
  static constexpr uint32_t kPassIntervalMs = 100;
  static constexpr uint32_t kSetupPollMs = 10;

  // One entry of the store; it owns its handler.
  class PingData : public VtHeap {
   public:
    PingData(const VtString& key, const VtString& value) : mKey(key), mValue(value) {}
    PingData(const PingData&) = delete;
    PingData& operator=(const PingData&) = delete;
    ~PingData() override;

    VtString mKey;
    VtString mValue;
    ArborTalk::MsgHandler* mHandler = nullptr;
    uint32_t mTimeout = 0;  // seconds since 1970; 0 none
  };

  // Fills the store; the port is opened by the thread itself.
  ArborTalkThread(ArborTalkContext* context, const VtString& appSpecifier);
  // Call stop() first.
  ~ArborTalkThread() override;

  // name[_instance][-version][-locale]#thread of specifier.
  static VtString createThreadSpecifier(const VtString& specifier);
  // The thread of the current context; null without one.
  static ArborTalkThread* getMainThread();
  // False for the keys a ping may write.
  static bool isPingReadOnly(const VtString& key);

  int32_t locateKey(const VtString& key) const;
  ArborTalk::MsgHandler* findHandler(const VtString& key) const;
  // The value; "STATUS" reads "BUSY" in place of "IDLE" while the pump is
  // overdue.
  VtString getValueForKey(const VtString& key) const;
  // An empty value removes the entry; false only for an empty key.
  bool setKeyValuePair(const VtString& key, const VtString& value);
  // Takes the handler over.
  bool setHandler(const VtString& key, ArborTalk::MsgHandler* handler);
  // The entry expires seconds from now (0: never); false for a missing key.
  bool setTimeout(const VtString& key, uint32_t seconds);
  VtString getSpecifier() const;
  bool setContext(ArborTalkContext* context);
  ArborTalkContext* getContext() const;
  VtString ping(const VtString& target, const VtString& key, int32_t timeoutSeconds,
                const VtString* value);
  bool sendResponse(const ArborTalk::Message& request, const VtString& answer);
  bool isIdle() const;
  // Ends the loop and waits for the thread; false when it cannot be waited
  // for.
  bool stop() override;
  void appendDiagnostics(VtString& out, const VtString& prefix) const;

  void run() override;
  // One pass: answers the pings received, drives the instances, drops
  // expired entries and runs the idle handler. Tests call it directly.
  void runLocked();

  double getAveragePumpInterval() const;
  double getLastPumpTime() const;

 private:
  bool isOverdue() const;
  void removeExpiredPingData();
  void answerPings();
  // Waits up to the pass interval, less once the port has a delivery or a
  // stop is asked for.
  void waitForPass();

  std::atomic<bool> mStop{false};
  // Held while the thread waits on mStream without the object's lock: a
  // stream is replaced only once its waiter has let go. Taken after the
  // object's lock, never before it.
  std::mutex mStreamInUse;
  VtString mSpecifier;
  std::atomic<ArborTalkContext*> mContext;
  BaseInterAppStream* mStream = nullptr;
  VtVector<PingData> mEntries;
  double mAveragePumpInterval = 0;
  double mLastPumpTime = 0;
};

}  // namespace Velt
