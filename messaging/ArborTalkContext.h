#pragma once

#include <cstdint>

#include "messaging/VtLockable.h"
#include "messaging/VtString.h"

namespace Velt {

class ArborTalkConnector;

// The messaging state of one application in this process. One context is
// current at a time; the current one is owned by the library.
class ArborTalkContext : public VtLockable {
 public:
  // An empty application specifier raises a debug alert; the context is
  // still made.
  explicit ArborTalkContext(const VtString& appSpecifier);
  ArborTalkContext(const ArborTalkContext&) = delete;
  ArborTalkContext& operator=(const ArborTalkContext&) = delete;
  ~ArborTalkContext() override;

  // The current context, or null.
  static ArborTalkContext* getCurrentContext();
  // Makes context current and deletes the one before (null: none is
  // current any more). The new context continues the serial numbers.
  static void setCurrentContext(ArborTalkContext* context);

  // Numbers the messages of the whole process: each call returns the next
  // number, the first of a process being 1.
  uint32_t getNextSerialNumber();
  // The process-wide current connector.
  ArborTalkConnector* getConnector() const;
  // This application's specifier, completed, without a suffix.
  VtString getAppSpecifier() const;

 private:
  VtString mAppSpecifier;
  uint32_t mNextSerialNumber;
};

}  // namespace Velt
