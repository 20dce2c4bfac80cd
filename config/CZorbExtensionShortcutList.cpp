#include "config/CZorbExtensionShortcutList.h"

#include "config/CZorbExtensionShortcut.h"
#include "config/ConfigXml.h"

CZorbExtensionShortcutList::CZorbExtensionShortcutList() {
  m_tag = u"shortcutlist";
}

CZorbExtensionShortcutList::CZorbExtensionShortcutList(const CZorbExtensionShortcutList* source)
    : CZorbExtensionShortcutList() {
  if (!source) return;
  Merge(source);
  if (source->m_tag.GetLength() > 0) m_tag = source->m_tag;
}

CZorbExtensionShortcutList::~CZorbExtensionShortcutList() = default;

CZorbXmlObject* CZorbExtensionShortcutList::Clone() const {
  return new CZorbExtensionShortcutList(this);
}

void CZorbExtensionShortcutList::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"id", m_id);
  cfgxml::AppendAttribute(attributes, u"platform", m_platform);
  cfgxml::AppendAttribute(attributes, u"app", m_app);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, tag, attributes, level, out);
}

void CZorbExtensionShortcutList::Merge(const CZorbExtensionShortcutList* other) {
  if (!other || other == this) return;
  m_id = other->m_id;
  m_platform = other->m_platform;
  m_app = other->m_app;
}

CZorbExtensionShortcut* CZorbExtensionShortcutList::FindShortcut(const CString& id) const {
  if (id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* child : m_children)
    if (auto* shortcut = dynamic_cast<CZorbExtensionShortcut*>(child))
      if (cfgxml::SameId(shortcut->m_id, id)) return shortcut;
  return nullptr;
}
