#include "config/CZorbExtensionShortcut.h"

#include "config/ConfigXml.h"

CZorbExtensionShortcut::CZorbExtensionShortcut() = default;

CZorbExtensionShortcut::CZorbExtensionShortcut(const CZorbExtensionShortcut* source) {
  Merge(source);
}

CZorbExtensionShortcut::~CZorbExtensionShortcut() = default;

CZorbXmlObject* CZorbExtensionShortcut::Clone() const {
  return new CZorbExtensionShortcut(this);
}

void CZorbExtensionShortcut::GetTag(CString& tag) const {
  tag = u"shortcut";
}

void CZorbExtensionShortcut::AppendAttributes(CString& out) const {
  cfgxml::AppendAttribute(out, u"key", m_key);
  cfgxml::AppendAttribute(out, u"platform", m_platform);
  if (!m_domRequired) out += u" domRequired=\"false\"";
  if (m_dynamic) out += u" dynamic=\"true\"";
  cfgxml::AppendAttribute(out, u"app", m_app);
  cfgxml::AppendAttribute(out, u"file", m_file);
  cfgxml::AppendAttribute(out, u"arguments", m_arguments);
  cfgxml::AppendAttribute(out, u"command", m_command);
  cfgxml::AppendAttribute(out, u"enabled", m_enabled);
  cfgxml::AppendAttribute(out, u"name", m_name);
  cfgxml::AppendAttribute(out, u"checked", m_checked);
  cfgxml::AppendAttribute(out, u"QQString:name", m_qqStringName);
  cfgxml::AppendAttribute(out, u"id", m_id);
}

void CZorbExtensionShortcut::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(tag, attributes, level, out);
}

void CZorbExtensionShortcut::Merge(const CZorbExtensionShortcut* other) {
  if (!other || other == this) return;
  m_key = other->m_key;
  m_file = other->m_file;
  m_arguments = other->m_arguments;
  m_id = other->m_id;
  m_platform = other->m_platform;
  m_command = other->m_command;
  m_app = other->m_app;
  m_name = other->m_name;
  m_enabled = other->m_enabled;
  m_checked = other->m_checked;
  m_qqStringName = other->m_qqStringName;
  m_domRequired = other->m_domRequired;
  m_dynamic = other->m_dynamic;
}
