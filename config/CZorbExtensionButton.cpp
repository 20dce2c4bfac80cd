#include "config/CZorbExtensionButton.h"

#include "config/ConfigXml.h"

CZorbExtensionButton::CZorbExtensionButton() : CZorbXmlObject(u"button") {}

CZorbExtensionButton::CZorbExtensionButton(const CZorbExtensionButton& other)
    : CZorbXmlObject(other), m_labelResId(other.m_labelResId), m_labelText(other.m_labelText) {}

CZorbExtensionButton& CZorbExtensionButton::operator=(const CZorbExtensionButton& other) {
  if (this == &other) return *this;
  CZorbXmlObject::operator=(other);
  m_labelResId = other.m_labelResId;
  m_labelText = other.m_labelText;
  return *this;
}

CZorbExtensionButton::~CZorbExtensionButton() = default;

CZorbXmlObject* CZorbExtensionButton::Clone() const {
  return new CZorbExtensionButton(*this);
}

void CZorbExtensionButton::GetTag(CString& tag) const {
  tag = u"button";
}

void CZorbExtensionButton::BuildXml(int level, CString& out) const {
  CString element;
  CZorbXmlObject::BuildXml(level, element);
  if (m_labelResId.GetLength() > 0) {
    CString start(u"<");
    CString tag;
    GetTag(tag);
    start += tag;
    const int32_t at = element.Find(start.Get());
    if (at >= 0) {
      CString attribute;
      cfgxml::AppendAttributeAlways(attribute, u"resid:label", m_labelResId);
      element.Insert(attribute.Get(), static_cast<uint32_t>(attribute.GetLength()),
                     static_cast<uint32_t>(at + start.GetLength()));
    }
  }
  out += element;
}
