#include "extension/CZorbExtensionToken.h"

#include "extension/ExtensionXml.h"

CZorbExtensionToken::CZorbExtensionToken() : CZorbXmlObject(u"token") {}

CZorbExtensionToken::CZorbExtensionToken(const CZorbExtensionToken& other) = default;

CZorbExtensionToken& CZorbExtensionToken::operator=(const CZorbExtensionToken& other) = default;

CZorbExtensionToken::~CZorbExtensionToken() = default;

CZorbExtensionToken* CZorbExtensionToken::Clone() const {
  return new CZorbExtensionToken(*this);
}

void CZorbExtensionToken::GetTag(CString& tag) const {
  tag = u"token";
}

void CZorbExtensionToken::BuildXml(int level, CString& out) const {
  using namespace extxml;
  CString attributes;
  AppendAttributeAlways(attributes, u"name", m_name);
  AppendAttribute(attributes, u"prompt", m_prompt);
  AppendAttribute(attributes, u"default", m_default);
  AppendAttribute(attributes, u"definition", m_definition);
  AppendEmptyElement(out, level, u"token", attributes);
}
