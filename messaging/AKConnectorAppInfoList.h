#pragma once

#include <cstdint>

#include "messaging/AKConnectorAppInfo.h"
#include "messaging/VtLockable.h"
#include "messaging/VtVector.h"

namespace Velt {

// The registered applications, in the order the store delivered them. The
// list owns its entries and locks itself in every operation.
class AKConnectorAppInfoList : public VtLockable {
 public:
  AKConnectorAppInfoList();
  AKConnectorAppInfoList(const AKConnectorAppInfoList&) = delete;
  AKConnectorAppInfoList& operator=(const AKConnectorAppInfoList&) = delete;
  ~AKConnectorAppInfoList() override;

  // The first entry whose specifier is the text; else, when the text names
  // an instance, the first entry of the text without it ("app_2-1.0" finds
  // "app-1.0"). index gets its position, or -1.
  AKConnectorAppInfo* find(const VtString& specifier, int32_t* index = nullptr) const;
  bool find(const VtString& specifier, AKConnectorAppInfo& out, int32_t* index = nullptr) const;
  // Copies the entry at index; false (and a null entry) out of range.
  bool getItemAt(int32_t index, AKConnectorAppInfo& out) const;
  AKConnectorAppInfo* get(int32_t index) const;
  bool isInList(const AKConnectorAppInfo& info) const;
  // Takes the entry over; an entry equal to one held is deleted instead
  // (false).
  bool append(AKConnectorAppInfo* info);
  // Overwrites the entry of the same specifier, or appends a copy; false
  // for an empty specifier that matches none.
  bool update(const AKConnectorAppInfo& info);
  // Removes and deletes the first equal entry.
  bool remove(const AKConnectorAppInfo& info);
  // On the entry whose specifier is exactly the text.
  bool setProcessID(const VtString& specifier, uint32_t processID);
  // Gives each entry with a redirect target the location at the end of
  // its chain; a missing target, or one already on the chain, ends it.
  // True when any entry redirects.
  bool resolveRedirectTo();
  void clear();
  int32_t length() const;

 private:
  AKConnectorAppInfo* findExact(const VtString& specifier, int32_t* index) const;

  VtVector<AKConnectorAppInfo> mEntries;
  AKConnectorAppInfo* mLastUpdated = nullptr;
};

}  // namespace Velt
