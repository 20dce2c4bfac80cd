#include "app/ColumnCompare.h"

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"

ColumnCompare::ColumnCompare(const CZorbPlexar* engine, const CString& column, int ascending)
    : m_engine(engine), m_column(column), m_ascending(ascending) {}

CString ColumnCompare::ColumnText(const CZorbExtension& extension) const {
  CString text;
  if (m_column == u"onoff") {
    text = extension.m_enabled ? u"1" : u"0";
  } else if (m_column == u"extensionname") {
    extension.GetName(text);
  } else if (m_column == u"version") {
    text = CString(extension.m_version);
  } else if (m_column == u"type") {
    // A type without a label sorts as the empty text.
    if (m_engine) (void)m_engine->GetTypeLabel(extension.m_type, text);
  } else if (m_column == u"author") {
    extension.GetAuthorName(text);
  }
  return text;
}

int ColumnCompare::operator()(const CZorbExtension* a, const CZorbExtension* b) const {
  if (a == nullptr || b == nullptr) return 0;
  const CString first = ColumnText(*a);
  const CString second = ColumnText(*b);
  return m_ascending ? first.CompareNoCase(second.Get()) : second.CompareNoCase(first.Get());
}
