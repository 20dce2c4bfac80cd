#include "config/MenuEdits.h"

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbMenusXmlFile.h"

namespace menuedit {

CZorbXmlObject* Remove(CZorbMenusXmlFile& file, CZorbXmlObject* node) {
  CZorbXmlObject* container = file.FindContainer(node);
  if (!container) return nullptr;
  container->m_children.remove(node);
  delete node;
  return container;
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
    container = Remove(file, menu);
    // A menubar that a menu left with nothing but comments goes too.
    commentRemoved = true;
  }
}

}  // namespace menuedit
