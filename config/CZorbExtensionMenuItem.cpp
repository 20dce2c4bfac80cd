#include "config/CZorbExtensionMenuItem.h"

#include "config/ConfigXml.h"

CZorbExtensionMenuItem::CZorbExtensionMenuItem() = default;

CZorbExtensionMenuItem::CZorbExtensionMenuItem(const CZorbExtensionMenuItem* source) {
  Merge(source);
}

CZorbExtensionMenuItem::~CZorbExtensionMenuItem() = default;

CZorbXmlObject* CZorbExtensionMenuItem::Clone() const {
  return new CZorbExtensionMenuItem(this);
}

void CZorbExtensionMenuItem::GetTag(CString& tag) const {
  tag = u"menuitem";
}

void CZorbExtensionMenuItem::AppendAttributes(CString& out) const {
  CZorbExtensionMenuBase::AppendAttributes(out);
  if (m_dynamic.GetLength() > 0) out += u" dynamic";
  cfgxml::AppendAttribute(out, u"name", m_name);
  cfgxml::AppendAttribute(out, u"key", m_key);
  cfgxml::AppendAttribute(out, u"enabled", m_enabled);
  cfgxml::AppendAttribute(out, u"command", m_command);
  cfgxml::AppendAttribute(out, u"checked", m_checked);
  cfgxml::AppendAttribute(out, u"file", m_file);
  cfgxml::AppendAttribute(out, u"arguments", m_arguments);
  if (!m_domRequired) out += u" domRequired=\"false\"";
  cfgxml::AppendAttribute(out, u"resid:name", m_resourceName);
}

void CZorbExtensionMenuItem::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(CString(u"menuitem"), attributes, level, out);
}

void CZorbExtensionMenuItem::Merge(const CZorbExtensionMenuBase* other) {
  if (!other || other == this) return;
  CZorbExtensionMenuBase::Merge(other);
  const auto* item = dynamic_cast<const CZorbExtensionMenuItem*>(other);
  if (!item) return;
  m_name = item->m_name;
  m_key = item->m_key;
  m_command = item->m_command;
  m_enabled = item->m_enabled;
  m_checked = item->m_checked;
  m_file = item->m_file;
  m_dynamic = item->m_dynamic;
  m_arguments = item->m_arguments;
  m_domRequired = item->m_domRequired;
}
