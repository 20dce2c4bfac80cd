#include "config/MenuEdits.h"

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"

namespace menuedit {

CZorbXmlObject* Remove(CZorbMenusXmlFile& file, CZorbXmlObject* node) {
  CZorbXmlObject* container = file.FindContainer(node);
  if (!container) return nullptr;
  container->m_children.remove(node);
  delete node;
  return container;
}

CZorbXmlObject* RemoveMenu(CZorbMenusXmlFile& file, CZorbExtensionMenu* menu) {
  CZorbXmlObject* container = file.FindContainer(menu);
  if (!container) return nullptr;
  const CString owner = cfgxml::MenusValue(menu->m_id);
  if (owner.GetLength() > 0) {
    for (auto it = container->m_children.begin(); it != container->m_children.end();) {
      auto* separator = dynamic_cast<CZorbExtensionMenuSeparator*>(*it);
      if (separator && separator->HasReference(owner)) {
        separator->RemoveReference(owner);
        if (separator->m_references.empty()) {
          delete separator;
          it = container->m_children.erase(it);
          continue;
        }
      }
      ++it;
    }
  }
  return Remove(file, menu);
}

void TidyMenu(CZorbXmlObject* container) {
  if (dynamic_cast<CZorbExtensionMenuBar*>(container)) return;
  if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(container)) menu->RemoveExtraSeparators();
}

void CleanUpAfterRemoval(CZorbMenusXmlFile& file, CZorbXmlObject* container, bool commentRemoved) {
  // Each emptied menu is followed up to what holds it. The menu itself is
  // tracked, not looked up again by its id: another menu elsewhere may
  // carry the same id.
  while (container && container != &file) {
    if (auto* menubar = dynamic_cast<CZorbExtensionMenuBar*>(container)) {
      menubar->RemoveExtraSeparators();
      if (commentRemoved && !menubar->ContainsNonComments()) Remove(file, menubar);
      return;
    }
    auto* menu = dynamic_cast<CZorbExtensionMenu*>(container);
    if (!menu) return;
    menu->RemoveExtraSeparators();
    if (menu->ContainsNonComments()) return;
    container = RemoveMenu(file, menu);
    // A menubar that a menu left with nothing but comments goes too.
    commentRemoved = true;
  }
}

}  // namespace menuedit
