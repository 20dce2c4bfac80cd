#pragma once

#include "config/CZorbConfigChange.h"

// A change of the shortcut lists of a menus file (shortcut-insert,
// shortcut-remove).
class CZorbShortcutChange : public CZorbConfigChange {
 public:
  CZorbShortcutChange();
  CZorbShortcutChange(const CZorbShortcutChange& other);
  ~CZorbShortcutChange() override;
};
