#include "config/CZorbConfigChange.h"

#include "config/ConfigXml.h"

CZorbConfigChange::CZorbConfigChange() = default;

CZorbConfigChange::CZorbConfigChange(const CZorbConfigChange& other)
    : CZorbXmlObject(other), m_locale(other.m_locale) {}

CZorbConfigChange::~CZorbConfigChange() = default;

bool CZorbConfigChange::filterByLocale(const CString& locale) const {
  return locale.GetLength() == 0 || m_locale.GetLength() == 0 || m_locale.CompareNoCase(locale) == 0;
}

CZorbConfigChange::ErrorCode CZorbConfigChange::PostMakeChange(ErrorCode code, const CZorbProduct*,
                                                               CZorbTypedVector<CZorbExtensionInstallStep*>*) {
  return code;
}

void CZorbConfigChange::AppendLocaleAttribute(CString& out) const {
  cfgxml::AppendAttribute(out, u"xml:lang", m_locale);
}
