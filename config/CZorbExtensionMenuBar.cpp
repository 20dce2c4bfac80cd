#include "config/CZorbExtensionMenuBar.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;
using Bar = CZorbExtensionMenuBar;

// Name and tag come only from another menubar.
const cfgnode::Attribute kOwn[] = {
    {u"name", Form::kText, true, cfgnode::Text<Bar, CZorbExtensionMenu, &Bar::m_name>, nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Bar, CZorbXmlObject, &Bar::m_tag>,
     nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resourceName>,
     nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

}  // namespace

CZorbExtensionMenuBar::CZorbExtensionMenuBar() {
  m_tag = u"menubar";
}

CZorbExtensionMenuBar::CZorbExtensionMenuBar(const CZorbExtensionMenuBar* source)
    : CZorbExtensionMenuBar() {
  Merge(source);
}

CZorbExtensionMenuBar::~CZorbExtensionMenuBar() = default;

CZorbXmlObject* CZorbExtensionMenuBar::Clone() const {
  auto* copy = new CZorbExtensionMenuBar(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionMenuBar::GetTag(CString& tag) const {
  tag = m_tag;
}

void CZorbExtensionMenuBar::SetTag(const char16_t* tag) {
  m_tag = tag;
}

const cfgnode::Table& CZorbExtensionMenuBar::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionMenuBar::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionMenuBar::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, m_tag, attributes, level, out);
}

void CZorbExtensionMenuBar::Merge(const CZorbExtensionMenuBase* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}

CZorbExtensionMenu* CZorbExtensionMenuBar::FindMenu(const CString& id,
                                                    CZorbExtensionMenu*& parent) {
  CZorbExtensionMenu* found = CZorbExtensionMenu::FindMenu(id, parent);
  if (parent == this) parent = nullptr;
  return found;
}
