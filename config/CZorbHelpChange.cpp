#include "config/CZorbHelpChange.h"

#include "config/ConfigXml.h"

CZorbHelpChange::CZorbHelpChange() = default;

CZorbHelpChange::~CZorbHelpChange() = default;

bool CZorbHelpChange::filterByLocale(const CString& locale) const {
  return locale.GetLength() == 0 || m_locale.GetLength() == 0 ||
         m_locale.CompareNoCase(locale) == 0;
}

void CZorbHelpChange::AppendLocaleAttribute(CString& out) const {
  cfgxml::AppendAttribute(out, u"xml:lang", m_locale);
}
