#include "config/CZorbExtensionMenuSeparator.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;

// The references are copied by the copy, never by Merge.
const cfgnode::Attribute kOwn[] = {
    {u"references", Form::kReferences, false, nullptr, nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resourceName>,
     nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

}  // namespace

CZorbExtensionMenuSeparator::CZorbExtensionMenuSeparator() = default;

CZorbExtensionMenuSeparator::CZorbExtensionMenuSeparator(
    const CZorbExtensionMenuSeparator* source) {
  if (!source) return;
  Merge(source);
  for (const CString& reference : source->m_references)
    if (reference.GetLength() > 0) AddReference(reference);
}

CZorbExtensionMenuSeparator::~CZorbExtensionMenuSeparator() = default;

CZorbXmlObject* CZorbExtensionMenuSeparator::Clone() const {
  auto* copy = new CZorbExtensionMenuSeparator(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionMenuSeparator::GetTag(CString& tag) const {
  tag = u"separator";
}

const cfgnode::Table& CZorbExtensionMenuSeparator::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionMenuSeparator::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionMenuSeparator::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(*this, CString(u"separator"), attributes, level, out);
}

bool CZorbExtensionMenuSeparator::HasReference(const CString& name) const {
  for (const CString& reference : m_references)
    if (reference == name) return true;
  return false;
}

void CZorbExtensionMenuSeparator::AddReference(const CString& name) {
  if (!HasReference(name)) m_references.push_back(name);
}

void CZorbExtensionMenuSeparator::RemoveReference(const CString& name) {
  m_references.remove_if([&](const CString& reference) { return reference == name; });
}
