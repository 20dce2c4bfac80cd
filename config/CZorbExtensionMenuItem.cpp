#include "config/CZorbExtensionMenuItem.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;
using Item = CZorbExtensionMenuItem;

const cfgnode::Attribute kOwn[] = {
    {u"dynamic", Form::kBareWord, true, cfgnode::Text<Item, Item, &Item::m_dynamic>, nullptr},
    {u"name", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_name>, nullptr},
    {u"key", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_key>, nullptr},
    {u"enabled", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_enabled>, nullptr},
    {u"command", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_command>, nullptr},
    {u"checked", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_checked>, nullptr},
    {u"file", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_file>, nullptr},
    {u"arguments", Form::kText, true, cfgnode::Text<Item, Item, &Item::m_arguments>, nullptr},
    {u"domRequired", Form::kFalseWhenFalse, true, nullptr,
     cfgnode::Flag<Item, Item, &Item::m_domRequired>},
    {u"resid:name", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_resourceName>, nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

}  // namespace

CZorbExtensionMenuItem::CZorbExtensionMenuItem() = default;

CZorbExtensionMenuItem::CZorbExtensionMenuItem(const CZorbExtensionMenuItem* source) {
  Merge(source);
}

CZorbExtensionMenuItem::~CZorbExtensionMenuItem() = default;

CZorbXmlObject* CZorbExtensionMenuItem::Clone() const {
  auto* copy = new CZorbExtensionMenuItem(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionMenuItem::GetTag(CString& tag) const {
  tag = u"menuitem";
}

const cfgnode::Table& CZorbExtensionMenuItem::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionMenuItem::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionMenuItem::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(*this, CString(u"menuitem"), attributes, level, out);
}

void CZorbExtensionMenuItem::Merge(const CZorbExtensionMenuBase* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}
