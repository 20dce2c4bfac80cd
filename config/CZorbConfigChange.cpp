#include "config/CZorbConfigChange.h"

#include "config/ConfigXml.h"

CZorbConfigChange::CZorbConfigChange() = default;

CZorbConfigChange::CZorbConfigChange(const CZorbConfigChange& other)
    : CZorbXmlObject(other), m_locale(other.m_locale) {}

CZorbConfigChange::~CZorbConfigChange() = default;

bool CZorbConfigChange::filterByLocale(const CString& locale) const {
  return cfgxml::LocaleMatches(m_locale, locale);
}

CZorbConfigChange::ErrorCode CZorbConfigChange::PostMakeChange(
    ErrorCode code, const CZorbProduct*, CZorbTypedVector<CZorbExtensionInstallStep*>*) {
  return code;
}

void CZorbConfigChange::AppendLocaleAttribute(CString& out) const {
  cfgxml::AppendLocale(out, m_locale);
}
