#include "config/CZorbExtensionMenuBar.h"

#include "config/ConfigXml.h"

CZorbExtensionMenuBar::CZorbExtensionMenuBar() {
  m_tag = u"menubar";
}

CZorbExtensionMenuBar::CZorbExtensionMenuBar(const CZorbExtensionMenuBar* source)
    : CZorbExtensionMenuBar() {
  Merge(source);
}

CZorbExtensionMenuBar::~CZorbExtensionMenuBar() = default;

CZorbXmlObject* CZorbExtensionMenuBar::Clone() const {
  return new CZorbExtensionMenuBar(this);
}

void CZorbExtensionMenuBar::GetTag(CString& tag) const {
  tag = m_tag;
}

void CZorbExtensionMenuBar::SetTag(const char16_t* tag) {
  m_tag = tag;
}

void CZorbExtensionMenuBar::AppendAttributes(CString& out) const {
  CZorbExtensionMenuBase::AppendAttributes(out);
  cfgxml::AppendAttribute(out, u"name", m_name);
}

void CZorbExtensionMenuBar::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendAttributes(attributes);
  out += cfgxml::kCR;
  cfgxml::AppendElement(*this, m_tag, attributes, level, out);
}

void CZorbExtensionMenuBar::Merge(const CZorbExtensionMenuBase* other) {
  if (!other || other == this) return;
  CZorbExtensionMenuBase::Merge(other);
  if (const auto* menubar = dynamic_cast<const CZorbExtensionMenuBar*>(other)) {
    m_tag = menubar->m_tag;
    m_name = menubar->m_name;
  }
}

CZorbExtensionMenu* CZorbExtensionMenuBar::FindMenu(const CString& id,
                                                    CZorbExtensionMenu*& parent) {
  CZorbExtensionMenu* found = CZorbExtensionMenu::FindMenu(id, parent);
  if (parent == this) parent = nullptr;
  return found;
}
