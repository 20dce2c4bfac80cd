#pragma once

class CZorbExtensionMenu;
class CZorbMenusXmlFile;
class CZorbXmlObject;

// Taking nodes out of a menus file, shared by the menu changes.
namespace menuedit {

// Takes node out of whatever holds it and deletes it. Returns the former
// container (the file for a top-level node), or null when node is not in
// the file (it is then left alone).
CZorbXmlObject* Remove(CZorbMenusXmlFile& file, CZorbXmlObject* node);

// Takes menu out as Remove does, and with it the separators beside it that
// belong to it (those whose references name its id, such as the one the
// fallback menu for commands is put behind). Returns the former container.
CZorbXmlObject* RemoveMenu(CZorbMenusXmlFile& file, CZorbExtensionMenu* menu);

// A menu that was changed loses its stray separators; a menubar is left as
// it is.
void TidyMenu(CZorbXmlObject* container);

// What is left after a removal from container: a menubar is tidied (and,
// after a comment went, taken out when only comments remain); a menu is
// tidied and, when only comments remain, taken out of what holds it, which
// is then looked at in the same way.
void CleanUpAfterRemoval(CZorbMenusXmlFile& file, CZorbXmlObject* container, bool commentRemoved);

}  // namespace menuedit
