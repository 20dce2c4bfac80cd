#include "config/CZorbExtensionMenuBase.h"

#include "config/ConfigXml.h"

CZorbExtensionMenuBase::CZorbExtensionMenuBase() = default;

CZorbExtensionMenuBase::~CZorbExtensionMenuBase() = default;

void CZorbExtensionMenuBase::AppendAttributes(CString& out) const {
  cfgxml::AppendAttribute(out, u"xmlns:QQString", m_namespace);
  cfgxml::AppendAttribute(out, u"id", m_id);
  cfgxml::AppendAttribute(out, u"QQString:name", m_qqStringName);
  cfgxml::AppendAttribute(out, u"platform", m_platform);
  cfgxml::AppendAttribute(out, u"app", m_app);
  cfgxml::AppendAttribute(out, u"showif", m_showif);
}

void CZorbExtensionMenuBase::Merge(const CZorbExtensionMenuBase* other) {
  if (!other || other == this) return;
  m_qqStringName = other->m_qqStringName;
  m_platform = other->m_platform;
  m_app = other->m_app;
  m_id = other->m_id;
  m_showif = other->m_showif;
  m_resourceName = other->m_resourceName;
  m_resolvedName = other->m_resolvedName;
}
