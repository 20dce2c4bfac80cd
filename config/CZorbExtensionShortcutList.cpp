#include "config/CZorbExtensionShortcutList.h"

#include <iterator>
#include "config/CZorbExtensionShortcut.h"

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using List = CZorbExtensionShortcutList;

const cfgnode::Attribute kRows[] = {
    {u"id", Form::kTextAlways, true, cfgnode::Text<List, List, &List::m_id>, nullptr},
    {u"platform", Form::kText, true, cfgnode::Text<List, List, &List::m_platform>, nullptr},
    {u"app", Form::kText, true, cfgnode::Text<List, List, &List::m_app>, nullptr},
};

}  // namespace

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
  auto* copy = new CZorbExtensionShortcutList(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionShortcutList::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  // A list a description reader made may carry no tag of its own.
  if (tag.GetLength() == 0) tag = u"shortcutlist";
  CString attributes;
  cfgnode::WriteAttributes(AttributeTable(), *this, attributes);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, tag, attributes, level, out);
}

const cfgnode::Table& CZorbExtensionShortcutList::AttributeTable() {
  static const cfgnode::Table table{nullptr, kRows, std::size(kRows)};
  return table;
}

void CZorbExtensionShortcutList::Merge(const CZorbExtensionShortcutList* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}

CZorbExtensionShortcut* CZorbExtensionShortcutList::FindShortcut(const CString& id) const {
  if (id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* child : m_children)
    if (auto* shortcut = dynamic_cast<CZorbExtensionShortcut*>(child))
      if (cfgxml::SameId(shortcut->m_id, id)) return shortcut;
  return nullptr;
}
