#include "config/CZorbExtensionAction.h"

CZorbExtensionAction::CZorbExtensionAction(const char16_t* tag) {
  m_tag = tag;
}

CZorbExtensionAction::CZorbExtensionAction(const CZorbExtensionAction* source)
    : CZorbExtensionAction() {
  if (!source) return;
  Merge(source);
  m_tag = source->m_tag;
}

CZorbExtensionAction::~CZorbExtensionAction() = default;

CZorbXmlObject* CZorbExtensionAction::Clone() const {
  auto* copy = new CZorbExtensionAction(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionAction::GetTag(CString& tag) const {
  tag = m_tag;
}

void CZorbExtensionAction::SetTag(const char16_t* tag) {
  m_tag = tag;
}
