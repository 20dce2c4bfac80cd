#include "config/CZorbExtensionTool.h"

#include "config/ConfigXml.h"

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
  return new CZorbExtensionTool(this);
}

void CZorbExtensionTool::GetTag(CString& tag) const {
  tag = m_tag;
}

void CZorbExtensionTool::SetTag(const char16_t* tag) {
  m_tag = tag;
}

void CZorbExtensionTool::AppendAttributes(CString& out) const {
  CZorbExtensionMenuBase::AppendAttributes(out);
  cfgxml::AppendAttribute(out, u"name", m_name);
}

void CZorbExtensionTool::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, m_tag, attributes, level, out);
}
