#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "messaging/BaseInterAppStream.h"
#include "messaging/InterAppStream.h"

// An in-process stand-in for the platform's message ports: a table of this
// process says who owns which name, and a send lands in the owner's table
// entry until the owner's messagePending takes it. It keeps the contract of
// the real stream (the contract tests run both), without sockets or time.
class FakeInterAppStream : public Velt::BaseInterAppStream {
 public:
  FakeInterAppStream(const Velt::VtString& specifier, bool flag)
      : BaseInterAppStream(specifier, flag), mName(text(specifier)) {
    std::lock_guard<std::mutex> guard(table().mutex);
    if (!mName.empty() && table().owners.emplace(mName, this).second) mOwns = true;
  }

  ~FakeInterAppStream() override {
    std::lock_guard<std::mutex> guard(table().mutex);
    if (mOwns) table().owners.erase(mName);
  }

  bool isGood() const override { return mOwns; }

  bool send(const Velt::VtString& target, const Velt::VtString& message) const override {
    if (!mOwns) return false;
    std::lock_guard<std::mutex> guard(table().mutex);
    auto owner = table().owners.find(text(target));
    if (owner == table().owners.end()) return false;
    owner->second->mArrived.push_back(text(message));
    return true;
  }

  bool messagePending() const override {
    if (!mOwns) return false;
    std::lock_guard<std::mutex> guard(table().mutex);
    Velt::ObjectLock lock(*this);
    while (!mArrived.empty()) {
      mDelivered.push_back(std::move(mArrived.front()));
      mArrived.pop_front();
    }
    return !mDelivered.empty();
  }

  bool receive() override {
    if (!mOwns) return false;
    Velt::ObjectLock lock(*this);
    if (mDelivered.empty()) return false;
    const std::string bytes = std::move(mDelivered.front());
    mDelivered.pop_front();
    return appendDelivery(bytes.data(), static_cast<uint32_t>(bytes.size())) > 0;
  }

  bool canOpen(const Velt::VtString& specifier, bool) const override {
    std::lock_guard<std::mutex> guard(table().mutex);
    return specifier.length() > 0 && table().owners.count(text(specifier)) == 0;
  }

  static Velt::BaseInterAppStream* make(const Velt::VtString& specifier, bool flag) {
    return new FakeInterAppStream(specifier, flag);
  }

 private:
  struct Table {
    std::mutex mutex;
    std::map<std::string, FakeInterAppStream*> owners;
  };
  static Table& table() {
    static Table t;
    return t;
  }
  static std::string text(const Velt::VtString& s) {
    return std::string(s.get(), static_cast<size_t>(s.length()));
  }

  std::string mName;
  bool mOwns = false;
  // Sent, not yet taken (guarded by the table), and taken, not yet received.
  mutable std::deque<std::string> mArrived;
  mutable std::deque<std::string> mDelivered;
};

// The library makes fake streams for as long as this lives, its process
// stream among them: ports of fixed names then never meet another process.
class ScopedFakeStreams {
 public:
  ScopedFakeStreams() {
    Velt::InterAppStream::InitTerm::exit();
    Velt::InterAppStream::setFactory(&FakeInterAppStream::make);
  }
  ~ScopedFakeStreams() {
    Velt::InterAppStream::InitTerm::exit();
    Velt::InterAppStream::setFactory(nullptr);
  }
  ScopedFakeStreams(const ScopedFakeStreams&) = delete;
  ScopedFakeStreams& operator=(const ScopedFakeStreams&) = delete;
};
