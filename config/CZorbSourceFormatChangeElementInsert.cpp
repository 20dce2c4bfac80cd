#include "config/CZorbSourceFormatChangeElementInsert.h"

#include <string>

#include "config/ConfigXml.h"

namespace {

const char16_t* TriState(int32_t value) {
  return value == 1 ? u"true" : u"false";
}

CString Number(int32_t value) {
  const std::string digits = std::to_string(value);
  return CString(std::u16string(digits.begin(), digits.end()).c_str());
}

}  // namespace

CZorbSourceFormatChangeElementInsert::CZorbSourceFormatChangeElementInsert() {
  m_tag = u"element-insert";
}

CZorbSourceFormatChangeElementInsert::~CZorbSourceFormatChangeElementInsert() = default;

CZorbXmlObject* CZorbSourceFormatChangeElementInsert::Clone() const {
  return new CZorbSourceFormatChangeElementInsert(*this);
}

void CZorbSourceFormatChangeElementInsert::BuildXml(int level, CString& out) const {
  CString options;
  cfgxml::AppendAttribute(options, u"break", m_break);
  if (m_indent != 0) cfgxml::AppendAttributeAlways(options, u"indent", CString(TriState(m_indent)));
  cfgxml::AppendAttributeAlways(options, u"indentGroup", Number(m_indentGroup));
  cfgxml::AppendAttribute(options, u"namecase", m_namecase);
  if (m_noformat != 0)
    cfgxml::AppendAttributeAlways(options, u"noformat", CString(TriState(m_noformat)));
  BuildNamedXml(options, level, out);
}

void CZorbSourceFormatChangeElementInsert::CreateTag(CString& tag, bool withLineEnd) const {
  tag = u"<";
  tag += m_name;
  cfgxml::AppendAttribute(tag, u"break", m_break);
  if (m_indent == 1) tag += u" indent";
  if (m_indentGroup > 0) cfgxml::AppendAttributeAlways(tag, u"igroup", Number(m_indentGroup));
  cfgxml::AppendAttribute(tag, u"namecase", m_namecase);
  if (m_noformat == 1) tag += u" noformat";
  tag += u'>';
  if (withLineEnd) tag += cfgxml::kCR;
}

void CZorbSourceFormatChangeElementInsert::GetTagName(CString& name) const {
  name = m_name;
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementInsert::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(InsertTag(file, kElementsMarker, kAttributesMarker),
                   kSourceFormatElementInsertFailed, kSourceFormatElementSectionMissing);
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementInsert::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(RemoveTag(file, m_name, kElementsMarker, kAttributesMarker),
                   kSourceFormatElementInsertFailed, kSourceFormatElementSectionMissing);
}
