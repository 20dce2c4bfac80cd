#pragma once

#include "config/CZorbHelpChange.h"

// A change to the host's help books: root "help-books" holding "book-id"
// entries, each known by its "id". A file without the root gives 5, a
// warning, so a missing help registry never stops an install.
class CZorbHelpBookChange : public CZorbHelpChange {
 public:
  static const char16_t* const kRootTag;
  static const char16_t* const kEntryTag;

  CZorbHelpBookChange();
  ~CZorbHelpBookChange() override;
};
