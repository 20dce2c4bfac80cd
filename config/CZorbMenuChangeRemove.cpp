#include "config/CZorbMenuChangeRemove.h"

#include "config/CZorbExtensionMenu.h"
#include "config/CZorbExtensionMenuBar.h"
#include "config/CZorbExtensionMenuItem.h"
#include "config/CZorbExtensionServerFormat.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"
#include "config/MenuEdits.h"

namespace {

// An item or format is tidied away from a menubar too.
void TidyAny(CZorbXmlObject* container) {
  if (auto* menu = dynamic_cast<CZorbExtensionMenu*>(container)) menu->RemoveExtraSeparators();
}

}  // namespace

CZorbMenuChangeRemove::CZorbMenuChangeRemove() = default;

CZorbMenuChangeRemove::CZorbMenuChangeRemove(const CZorbMenuChangeRemove& other)
    : CZorbMenuChange(other), m_id(other.m_id) {}

CZorbMenuChangeRemove::~CZorbMenuChangeRemove() = default;

CZorbXmlObject* CZorbMenuChangeRemove::Clone() const {
  return new CZorbMenuChangeRemove(*this);
}

void CZorbMenuChangeRemove::GetTag(CString& tag) const {
  tag = u"menu-remove";
}

void CZorbMenuChangeRemove::BuildXml(int level, CString& out) const {
  cfgxml::AppendEmptyElement(CString(u"menu-remove"), cfgxml::IdAttributes(m_id, m_locale), level,
                             out);
}

CZorbConfigChange::ErrorCode CZorbMenuChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                               CZorbXmlFile* file,
                                                               const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;

  if (CZorbExtensionMenuBar* menubar = menus->FindMenuBar(m_id)) {
    menuedit::Remove(*menus, menubar);
    return kNoError;
  }
  CZorbExtensionMenuBar* menubar = nullptr;
  CZorbExtensionMenu* parent = nullptr;
  // A menu at the file's top level, outside every menubar, is taken out of
  // the file like any other.
  if (CZorbExtensionMenu* menu = menus->FindMenu(m_id, menubar, parent)) {
    menuedit::TidyMenu(menuedit::Remove(*menus, menu));
    return kNoError;
  }
  if (CZorbExtensionMenuItem* item = menus->FindMenuItem(m_id, menubar, parent)) {
    TidyAny(menuedit::Remove(*menus, item));
    return kNoError;
  }
  if (CZorbExtensionServerFormat* format = menus->FindFormat(m_id, menubar, parent))
    TidyAny(menuedit::Remove(*menus, format));
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbMenuChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                               CZorbXmlFile*,
                                                               const CZorbXmlFile*) const {
  return kNoError;
}
