#include "config/CZorbSourceFormatChangeElementInsert.h"

#include <string>

#include "config/ConfigXml.h"

namespace {

const char16_t* TriState(int32_t value) { return value == 1 ? u"true" : u"false"; }

}  // namespace

CZorbSourceFormatChangeElementInsert::CZorbSourceFormatChangeElementInsert() {
  m_tag = u"element-insert";
}

CZorbSourceFormatChangeElementInsert::~CZorbSourceFormatChangeElementInsert() = default;

CZorbXmlObject* CZorbSourceFormatChangeElementInsert::Clone() const {
  return new CZorbSourceFormatChangeElementInsert(*this);
}

void CZorbSourceFormatChangeElementInsert::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  cfgxml::AppendIndent(out, level);
  out += u'<';
  out += tag;
  cfgxml::AppendAttributeAlways(out, u"name", m_name);
  cfgxml::AppendAttribute(out, u"break", m_break);
  if (m_indent != 0) cfgxml::AppendAttributeAlways(out, u"indent", CString(TriState(m_indent)));
  const std::string group = std::to_string(m_indentGroup);
  cfgxml::AppendAttributeAlways(out, u"indentGroup",
                                CString(std::u16string(group.begin(), group.end()).c_str()));
  cfgxml::AppendAttribute(out, u"namecase", m_namecase);
  if (m_noformat != 0)
    cfgxml::AppendAttributeAlways(out, u"noformat", CString(TriState(m_noformat)));
  AppendLocaleAttribute(out);
  out += u" />";
  out += cfgxml::kCR;
}

void CZorbSourceFormatChangeElementInsert::CreateTag(CString& tag, bool withLineEnd) const {
  tag = u"<";
  tag += m_name;
  cfgxml::AppendAttribute(tag, u"break", m_break);
  if (m_indent == 1) tag += u" indent";
  if (m_indentGroup > 0) {
    const std::string group = std::to_string(m_indentGroup);
    cfgxml::AppendAttributeAlways(tag, u"igroup",
                                  CString(std::u16string(group.begin(), group.end()).c_str()));
  }
  cfgxml::AppendAttribute(tag, u"namecase", m_namecase);
  if (m_noformat == 1) tag += u" noformat";
  tag += u'>';
  if (withLineEnd) tag += cfgxml::kCR;
}

void CZorbSourceFormatChangeElementInsert::GetTagName(CString& name) const { name = m_name; }

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
