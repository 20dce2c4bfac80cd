#include "config/CZorbSourceFormatChangeAttributeInsert.h"

#include "config/ConfigXml.h"

CZorbSourceFormatChangeAttributeInsert::CZorbSourceFormatChangeAttributeInsert() {
  m_tag = u"attribute-insert";
}

CZorbSourceFormatChangeAttributeInsert::~CZorbSourceFormatChangeAttributeInsert() = default;

CZorbXmlObject* CZorbSourceFormatChangeAttributeInsert::Clone() const {
  return new CZorbSourceFormatChangeAttributeInsert(*this);
}

void CZorbSourceFormatChangeAttributeInsert::BuildXml(int level, CString& out) const {
  CString options;
  cfgxml::AppendAttribute(options, u"namecase", m_namecase);
  if (m_samecase != 0)
    cfgxml::AppendAttributeAlways(options, u"samecase",
                                  CString(m_samecase == 1 ? u"true" : u"false"));
  BuildNamedXml(options, level, out);
}

void CZorbSourceFormatChangeAttributeInsert::CreateTag(CString& tag, bool withLineEnd) const {
  tag = u"<";
  tag += m_name;
  cfgxml::AppendAttribute(tag, u"namecase", m_namecase);
  if (m_samecase == 1) tag += u" samecase";
  tag += u'>';
  if (withLineEnd) tag += cfgxml::kCR;
}

void CZorbSourceFormatChangeAttributeInsert::GetTagName(CString& name) const {
  name = m_name;
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeAttributeInsert::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(InsertTag(file, kAttributesMarker, kEndMarker),
                   kSourceFormatAttributeInsertFailed, kSourceFormatAttributeSectionMissing);
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeAttributeInsert::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(RemoveTag(file, m_name, kAttributesMarker, kEndMarker),
                   kSourceFormatAttributeInsertFailed, kSourceFormatAttributeSectionMissing);
}
