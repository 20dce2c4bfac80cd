#pragma once

#include "config/CZorbConfigChange.h"

// A change of a menus file or of a menus-like server file (menu-insert,
// menu-remove).
class CZorbMenuChange : public CZorbConfigChange {
 public:
  CZorbMenuChange();
  CZorbMenuChange(const CZorbMenuChange& other);
  ~CZorbMenuChange() override;
};
