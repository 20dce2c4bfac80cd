#pragma once

#include <cstdint>
#include <string>

// How the engine reaches other applications through the messaging
// library: whether a target answers, which applications are registered,
// sending one message and launching a target. Specifiers and bodies are
// 8-bit text (bodies UTF-8).
//
// The base asks the library. Sending needs the program's messaging
// instance, which the start-up installs with SetSender; without one there
// is no instance and nothing is sent. Tests put a messenger of their own in
// place with SetCurrent.
class CZorbHostMessenger {
 public:
  // Sends one message through the program's messaging instance; false when
  // it was not sent.
  using Sender = bool (*)(const std::string& target, const std::string& body);
  // Whether the instance the sender sends through exists now.
  using InstanceProbe = bool (*)();

  CZorbHostMessenger() = default;
  virtual ~CZorbHostMessenger();
  CZorbHostMessenger(const CZorbHostMessenger&) = delete;
  CZorbHostMessenger& operator=(const CZorbHostMessenger&) = delete;

  // The program's messaging instance exists.
  virtual bool HasInstance() const;
  // The target answers a ping.
  virtual bool IsRunning(const std::string& specifier) const;
  virtual int32_t RegisteredCount() const;
  virtual std::string RegisteredSpecifier(int32_t index) const;
  // Sends without waiting for an answer; false when it was not sent.
  virtual bool Send(const std::string& specifier, const std::string& body);
  // Asks the system to start the target, without bringing it to the front.
  virtual bool Launch(const std::string& specifier);

  // The messenger in use; never null.
  static CZorbHostMessenger& Current();
  // Puts messenger (not owned) in place; null puts the library's back.
  static void SetCurrent(CZorbHostMessenger* messenger);
  // Installs the messaging instance's sender; null: there is none. With a
  // probe, there is an instance only while the probe says so.
  static void SetSender(Sender sender, InstanceProbe probe = nullptr);
};
