#pragma once

// Menu nodes as a description gives them, for the tests of the menu nodes
// and changes.

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"

namespace menutest {

inline CZorbExtensionMenuItem* Item(const char16_t* id, const char16_t* name = u"") {
  auto* item = new CZorbExtensionMenuItem();
  item->m_id = id;
  item->m_name = name;
  return item;
}

inline CZorbExtensionMenu* Menu(const char16_t* id) {
  auto* menu = new CZorbExtensionMenu();
  menu->m_id = id;
  return menu;
}

// A separator's id names its owner.
inline CZorbExtensionMenuSeparator* Sep(const char16_t* owner) {
  auto* separator = new CZorbExtensionMenuSeparator();
  separator->m_id = owner;
  return separator;
}

}  // namespace menutest
