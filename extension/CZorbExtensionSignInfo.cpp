#include "extension/CZorbExtensionSignInfo.h"

#include "extension/ExtensionXml.h"

CZorbExtensionSignInfo::CZorbExtensionSignInfo() : CZorbXmlObject(u"signature") {}

CZorbExtensionSignInfo::CZorbExtensionSignInfo(const CZorbExtensionSignInfo& other) = default;

CZorbExtensionSignInfo& CZorbExtensionSignInfo::operator=(const CZorbExtensionSignInfo& other) =
    default;

CZorbExtensionSignInfo::~CZorbExtensionSignInfo() = default;

CZorbExtensionSignInfo* CZorbExtensionSignInfo::Clone() const {
  return new CZorbExtensionSignInfo(*this);
}

void CZorbExtensionSignInfo::GetTag(CString& tag) const {
  tag = u"signature";
}

void CZorbExtensionSignInfo::BuildXml(int level, CString& out) const {
  using namespace extxml;
  CString attributes;
  AppendAttributeAlways(attributes, u"name", m_name);
  AppendAttributeAlways(attributes, u"extensiontype", m_extensionType);
  AppendTrue(attributes, u"signed", m_signed);
  AppendAttribute(attributes, u"certificateType", m_certificateType);
  AppendAttribute(attributes, u"publisher", m_publisher);
  AppendEmptyElement(out, level, u"signature", attributes);
}
