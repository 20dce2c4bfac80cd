#include "config/CZorbShortcutChangeRemove.h"

#include "config/CZorbExtensionShortcut.h"
#include "config/CZorbExtensionShortcutList.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/ConfigXml.h"
#include "config/MenuEdits.h"

CZorbShortcutChangeRemove::CZorbShortcutChangeRemove() = default;

CZorbShortcutChangeRemove::CZorbShortcutChangeRemove(const CZorbShortcutChangeRemove& other)
    : CZorbShortcutChange(other), m_id(other.m_id) {}

CZorbShortcutChangeRemove::~CZorbShortcutChangeRemove() = default;

CZorbXmlObject* CZorbShortcutChangeRemove::Clone() const {
  return new CZorbShortcutChangeRemove(*this);
}

void CZorbShortcutChangeRemove::GetTag(CString& tag) const {
  tag = u"shortcut-remove";
}

void CZorbShortcutChangeRemove::BuildXml(int level, CString& out) const {
  cfgxml::AppendEmptyElement(CString(u"shortcut-remove"), cfgxml::IdAttributes(m_id, m_locale),
                             level, out);
}

CZorbConfigChange::ErrorCode CZorbShortcutChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                   CZorbXmlFile* file,
                                                                   const CZorbXmlFile*) const {
  auto* menus = dynamic_cast<CZorbMenusXmlFile*>(file);
  if (!menus) return kNoError;
  if (CZorbExtensionShortcutList* list = menus->FindShortcutList(m_id)) {
    menuedit::Remove(*menus, list);
    return kNoError;
  }
  CZorbExtensionShortcutList* list = nullptr;
  if (CZorbExtensionShortcut* shortcut = menus->FindShortcut(m_id, list))
    menuedit::Remove(*menus, shortcut);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbShortcutChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                   CZorbXmlFile*,
                                                                   const CZorbXmlFile*) const {
  return kNoError;
}
