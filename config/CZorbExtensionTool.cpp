#include "config/CZorbExtensionTool.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;
using Menu = CZorbExtensionMenu;

const cfgnode::Attribute kOwn[] = {
    {u"name", Form::kText, true, cfgnode::Text<Menu, Menu, &Menu::m_name>, nullptr},
    {nullptr, Form::kNotAnAttribute, true, nullptr, cfgnode::Flag<Menu, Menu, &Menu::m_visible>},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resourceName>,
     nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

}  // namespace

CZorbExtensionTool::CZorbExtensionTool() {
  m_tag = u"tool";
}

CZorbExtensionTool::CZorbExtensionTool(const CZorbExtensionTool* source) : CZorbExtensionTool() {
  if (!source) return;
  Merge(source);
  m_tag = source->m_tag;
}

CZorbExtensionTool::~CZorbExtensionTool() = default;

CZorbXmlObject* CZorbExtensionTool::Clone() const {
  auto* copy = new CZorbExtensionTool(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionTool::GetTag(CString& tag) const {
  tag = m_tag;
}

void CZorbExtensionTool::SetTag(const char16_t* tag) {
  m_tag = tag;
}

const cfgnode::Table& CZorbExtensionTool::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionTool::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionTool::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, m_tag, attributes, level, out);
}
