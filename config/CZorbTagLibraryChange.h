#pragma once

#include "config/CZorbConfigChange.h"

// A change to the host's tag-library registry: root "taglibraries" holding
// "taglibrary" entries, each known by its "id".
class CZorbTagLibraryChange : public CZorbConfigChange {
 public:
  static const char16_t* const kRootTag;
  static const char16_t* const kEntryTag;

  CZorbTagLibraryChange();
  ~CZorbTagLibraryChange() override;
};
