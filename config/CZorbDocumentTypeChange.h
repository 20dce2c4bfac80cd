#pragma once

#include "config/CZorbConfigChange.h"

// A change to the host's document-type registry: root "documenttypes" holding
// "documenttype" entries, each known by its "id".
class CZorbDocumentTypeChange : public CZorbConfigChange {
 public:
  static const char16_t* const kRootTag;
  static const char16_t* const kEntryTag;

  CZorbDocumentTypeChange();
  ~CZorbDocumentTypeChange() override;
};
