#include "config/CZorbSourceFormatChangeElementRemove.h"

#include "config/ConfigXml.h"

CZorbSourceFormatChangeElementRemove::CZorbSourceFormatChangeElementRemove() { m_tag = u"element-remove"; }

CZorbSourceFormatChangeElementRemove::~CZorbSourceFormatChangeElementRemove() = default;

CZorbXmlObject* CZorbSourceFormatChangeElementRemove::Clone() const { return new CZorbSourceFormatChangeElementRemove(*this); }

void CZorbSourceFormatChangeElementRemove::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  cfgxml::AppendIndent(out, level);
  out += u'<';
  out += tag;
  cfgxml::AppendAttributeAlways(out, u"name", m_name);
  AppendLocaleAttribute(out);
  out += u" />";
  out += cfgxml::kCR;
}

void CZorbSourceFormatChangeElementRemove::GetTagName(CString& name) const { name = m_name; }

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementRemove::MakeChange(const CZorbConfigChanges*, CZorbXmlFile* file,
                                              const CZorbXmlFile*) const {
  return MapResult(RemoveTag(file, m_name, kElementsMarker, kAttributesMarker), kSourceFormatElementRemoveFailed, kSourceFormatElementSectionMissing);
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementRemove::UndoChange(const CZorbConfigChanges*, CZorbXmlFile*,
                                              const CZorbXmlFile*) const {
  return kNoError;
}
