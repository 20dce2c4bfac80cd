#include "extension/CZorbExtensionProduct.h"

#include "extension/ExtensionXml.h"

CZorbExtensionProduct::CZorbExtensionProduct() : CZorbXmlObject(u"product") {}

CZorbExtensionProduct::CZorbExtensionProduct(const CZorbExtensionProduct& other) = default;

CZorbExtensionProduct& CZorbExtensionProduct::operator=(const CZorbExtensionProduct& other) =
    default;

CZorbExtensionProduct::~CZorbExtensionProduct() = default;

CZorbExtensionProduct* CZorbExtensionProduct::Clone() const {
  return new CZorbExtensionProduct(*this);
}

void CZorbExtensionProduct::GetTag(CString& tag) const {
  tag = u"product";
}

void CZorbExtensionProduct::BuildXml(int level, CString& out) const {
  using namespace extxml;
  CString attributes;
  AppendAttributeAlways(attributes, u"name", m_name);
  AppendAttribute(attributes, u"version", m_version);
  AppendAttribute(attributes, u"maxversion", m_maxVersion);
  AppendAttribute(attributes, u"familyname", m_familyName);
  AppendTrue(attributes, u"primary", m_primary);
  AppendTrue(attributes, u"required", m_required);
  if (m_platform == extcode::kPlatformMac) AppendAttributeAlways(attributes, u"platform", u"mac");
  if (m_platform == extcode::kPlatformWin) AppendAttributeAlways(attributes, u"platform", u"win");
  if (m_bit == extcode::kBit32) AppendAttributeAlways(attributes, u"bit", u"32");
  if (m_bit == extcode::kBit64) AppendAttributeAlways(attributes, u"bit", u"64");
  AppendTrue(attributes, u"is-min-version-open", m_minVersionOpen);
  AppendTrue(attributes, u"is-max-version-open", m_maxVersionOpen);
  AppendEmptyElement(out, level, u"product", attributes);
}
