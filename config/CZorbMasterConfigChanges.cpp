#include "config/CZorbMasterConfigChanges.h"

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionMenuSeparator.h"
#include "config/CZorbMenusXmlFile.h"

namespace {

constexpr char16_t kCommandsMenuId[] = u"LWMenu_Commands";
constexpr char16_t kMiscMenuId[] = u"LWMenu_Commands_Misc";
constexpr char16_t kHelpMenuId[] = u"LWMenu_Help";
constexpr char16_t kGetMoreCommandsId[] = u"LWMenu_Commands_GetMoreCommands";

// A menu named by the string table; the fallback stands when the table has
// no text for the id.
CZorbExtensionMenu* NewMenu(const char16_t* id, unsigned int nameId, const char16_t* fallback) {
  auto* menu = new CZorbExtensionMenu();
  menu->m_id = id;
  menu->m_name = fallback;
  menu->m_name.LoadString(nameId);
  return menu;
}

}  // namespace

CZorbMasterConfigChanges::CZorbMasterConfigChanges() = default;

CZorbMasterConfigChanges::CZorbMasterConfigChanges(const CZorbMasterConfigChanges& other)
    : CZorbConfigChanges(other) {}

CZorbMasterConfigChanges::~CZorbMasterConfigChanges() = default;

CZorbXmlObject* CZorbMasterConfigChanges::Clone() const {
  return new CZorbMasterConfigChanges(*this);
}

void CZorbMasterConfigChanges::GetTag(CString& tag) const {
  tag = u"configuration-changes";
}

CZorbXmlFile* CZorbMasterConfigChanges::CreateConfigFile(bool) const {
  return new CZorbMenusXmlFile();
}

void CZorbMasterConfigChanges::GetFolder(CString& folder) const {
  folder = u"Menus";
}

void CZorbMasterConfigChanges::GetFileName(CString& name) const {
  name = u"Menus.xml";
}

bool CZorbMasterConfigChanges::UseReferenceFile() const {
  return true;
}

void CZorbMasterConfigChanges::GetLastResortAppendToID(CString& id) const {
  id = kCommandsMenuId;
}

bool CZorbMasterConfigChanges::GetLastResortId(CString& id) const {
  id = kMiscMenuId;
  return true;
}

CZorbXmlObject* CZorbMasterConfigChanges::CreateLastResortObject(CZorbXmlFile* file) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return nullptr;

  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  CZorbExtensionMenu* commands = menus->FindMenu(kCommandsMenuId, menubar, parent);
  if (!commands) {
    CZorbExtensionMenu* help = menus->FindMenu(kHelpMenuId, menubar, parent);
    if (!help || !menubar) return nullptr;
    // Before the Help menu, in whatever holds it.
    CZorbXmlObject* container = parent ? static_cast<CZorbXmlObject*>(parent) : menubar;
    commands = NewMenu(kCommandsMenuId, kCommandsMenuNameId, u"Commands");
    container->InsertObjectBefore(commands, help);
  }

  CZorbExtensionMenu* misc = NewMenu(kMiscMenuId, kMiscMenuNameId, u"Miscellaneous");
  // The separator belongs to the new menu (a separator without references
  // would be the host's): it goes when the emptied menu goes.
  auto* separator = new CZorbExtensionMenuSeparator();
  separator->AddReference(kMiscMenuId);
  CZorbExtensionMenu* itemParent = nullptr;
  if (CZorbExtensionMenuItem* item = commands->FindMenuItem(kGetMoreCommandsId, itemParent)) {
    // The item, the separator, the new menu.
    itemParent->InsertObjectAfter(misc, item);
    itemParent->InsertObjectAfter(separator, item);
  } else {
    commands->m_children.push_back(separator);
    commands->m_children.push_back(misc);
  }
  return misc;
}
