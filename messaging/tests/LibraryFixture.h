#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "messaging/ArborTalk.h"
#include "messaging/ArborTalkConnector.h"
#include "messaging/ArborTalkContext.h"
#include "messaging/ArborTalkSetupThread.h"
#include "messaging/ArborTalkThread.h"
#include "messaging/Message.h"
#include "messaging/MsgHandler.h"
#include "messaging/PrivateData.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MemoryConnector.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"

// A handler that records what it is given and answers as told.
class RecordingHandler : public Velt::ArborTalk::MsgHandler {
 public:
  explicit RecordingHandler(const char* type = "Orrery", uint32_t serial = 0xFFFFFFFFu,
                            std::atomic<int>* deleted = nullptr)
      : mType(type), mSerial(serial), mDeleted(deleted) {}
  ~RecordingHandler() override {
    if (mDeleted) ++*mDeleted;
  }

  int handleMessage(int reason, Velt::ArborTalk::Message& message,
                    Velt::VtString* answer) override {
    reasons.push_back(reason);
    bodies.push_back(bytes(message.mBody));
    if (onMessage) onMessage(message);
    if (throws) throw 1;
    if (answer) *answer = result.c_str();
    return code;
  }
  Velt::VtString getMsgType() const override { return mType.c_str(); }
  uint32_t getSerialNumber() const override { return mSerial; }

  int code = 0;
  bool throws = false;
  std::string result;
  std::function<void(Velt::ArborTalk::Message&)> onMessage;
  std::vector<int> reasons;
  std::vector<std::string> bodies;

 private:
  std::string mType;
  uint32_t mSerial;
  std::atomic<int>* mDeleted;
};

// The library set up for one application in a sandbox, with in-process
// ports, an in-memory registry and the sandbox's test clock. The
// background thread runs unless a test stops it to drive passes itself.
class LibraryTest : public MessagingTest {
 protected:
  LibraryTest() {
    // Leaves any earlier end of the registry behind, then puts ours in.
    Velt::ArborTalkConnector::InitTerm::init(Velt::VtString());
    Velt::ArborTalkConnector::set(registry = new MemoryConnector(appName.c_str()));
  }
  ~LibraryTest() override {
    if (Velt::ArborTalkContext::getCurrentContext()) Velt::ArborTalk::InitTerm::exit();
    Velt::ArborTalkSetupThread::reset();
    // The next test starts with a registry that may be used again.
    Velt::ArborTalkConnector::InitTerm::init(Velt::VtString());
    Velt::ArborTalkConnector::set(nullptr);
  }

  bool start() { return Velt::ArborTalk::InitTerm::init(vt(appName), true); }
  Velt::ArborTalkContext* context() { return Velt::ArborTalkContext::getCurrentContext(); }
  Velt::ArborTalkThread* thread() { return context()->getThread(); }
  // Stops the background thread: passes run only when the test asks.
  void stopBackground() { ASSERT_TRUE(thread()->stop()); }

  // A port of the test's own that pings and messages can be sent from.
  std::unique_ptr<Velt::BaseInterAppStream> port(const std::string& label) {
    return makeStream(uniqueSpecifier(label));
  }
  // Every message delivered to stream so far.
  static std::vector<Velt::ArborTalk::Message*> take(Velt::BaseInterAppStream& stream) {
    std::vector<Velt::ArborTalk::Message*> out;
    while (stream.messagePending())
      if (!stream.receive()) break;
    const Velt::VtString text = stream.getMessages();
    const char* next = text.get();
    const char* end = next + text.length();
    while (next < end) {
      auto* message = new Velt::ArborTalk::Message;
      const char* after = message->readFromString(next, static_cast<size_t>(end - next));
      if (!after || after <= next) {
        delete message;
        break;
      }
      next = after;
      out.push_back(message);
    }
    return out;
  }

  ScopedFakeStreams streams;
  std::string appName = bytes(uniqueSpecifier("app")) + "-5.0";
  MemoryConnector* registry = nullptr;
};

inline void deleteAll(std::vector<Velt::ArborTalk::Message*>& messages) {
  for (auto* m : messages) delete m;
  messages.clear();
}
