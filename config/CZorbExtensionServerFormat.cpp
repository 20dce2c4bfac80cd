#include "config/CZorbExtensionServerFormat.h"

#include "config/ConfigXml.h"

CZorbExtensionServerFormat::CZorbExtensionServerFormat() = default;

CZorbExtensionServerFormat::CZorbExtensionServerFormat(const CZorbExtensionServerFormat* source) {
  Merge(source);
}

CZorbExtensionServerFormat::~CZorbExtensionServerFormat() = default;

CZorbXmlObject* CZorbExtensionServerFormat::Clone() const {
  return new CZorbExtensionServerFormat(this);
}

void CZorbExtensionServerFormat::GetTag(CString& tag) const {
  tag = u"format";
}

void CZorbExtensionServerFormat::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"title", m_title);
  cfgxml::AppendAttribute(attributes, u"file", m_file);
  if (!m_visible) attributes += u" visibility=\"hidden\"";
  cfgxml::AppendAttribute(attributes, u"platform", m_platform);
  cfgxml::AppendAttribute(attributes, u"expression", m_expression);
  for (const auto& [name, value] : m_attributes)
    cfgxml::AppendAttributeAlways(attributes, name.c_str(), CString(value.c_str()));
  cfgxml::AppendAttribute(attributes, u"id", m_id);
  cfgxml::AppendEmptyElement(CString(u"format"), attributes, level, out);
}

void CZorbExtensionServerFormat::Merge(const CZorbExtensionServerFormat* other) {
  if (!other || other == this) return;
  m_title = other->m_title;
  m_platform = other->m_platform;
  m_file = other->m_file;
  m_expression = other->m_expression;
  m_id = other->m_id;
  m_visible = other->m_visible;
  for (const auto& [name, value] : other->m_attributes) SetAttribute(name.c_str(), value.c_str());
}
