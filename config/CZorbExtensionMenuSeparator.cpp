#include "config/CZorbExtensionMenuSeparator.h"

#include "config/ConfigXml.h"

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
  return new CZorbExtensionMenuSeparator(this);
}

void CZorbExtensionMenuSeparator::GetTag(CString& tag) const {
  tag = u"separator";
}

void CZorbExtensionMenuSeparator::AppendAttributes(CString& out) const {
  CZorbExtensionMenuBase::AppendAttributes(out);
  if (m_references.empty()) return;
  CString joined;
  for (const CString& reference : m_references) {
    if (reference.GetLength() == 0) continue;
    if (joined.GetLength() > 0) joined += u',';
    joined += reference;
  }
  cfgxml::AppendAttributeAlways(out, u"references", joined);
}

void CZorbExtensionMenuSeparator::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(CString(u"separator"), attributes, level, out);
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
