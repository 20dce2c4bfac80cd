#include "config/CZorbHelpChange.h"

#include "config/ConfigXml.h"

CZorbHelpChange::CZorbHelpChange() = default;

CZorbHelpChange::~CZorbHelpChange() = default;

bool CZorbHelpChange::filterByLocale(const CString& locale) const {
  return cfgxml::LocaleMatches(m_locale, locale);
}

void CZorbHelpChange::AppendLocaleAttribute(CString& out) const {
  cfgxml::AppendLocale(out, m_locale);
}
