#include "config/CZorbSourceFormatChangeAttributeRemove.h"

CZorbSourceFormatChangeAttributeRemove::CZorbSourceFormatChangeAttributeRemove() {
  m_tag = u"attribute-remove";
}

CZorbSourceFormatChangeAttributeRemove::~CZorbSourceFormatChangeAttributeRemove() = default;

CZorbXmlObject* CZorbSourceFormatChangeAttributeRemove::Clone() const {
  return new CZorbSourceFormatChangeAttributeRemove(*this);
}

void CZorbSourceFormatChangeAttributeRemove::BuildXml(int level, CString& out) const {
  BuildNamedXml(CString(), level, out);
}

void CZorbSourceFormatChangeAttributeRemove::GetTagName(CString& name) const {
  name = m_name;
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeAttributeRemove::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(RemoveTag(file, m_name, kAttributesMarker, kEndMarker),
                   kSourceFormatAttributeRemoveFailed, kSourceFormatAttributeSectionMissing);
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeAttributeRemove::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile*, const CZorbXmlFile*) const {
  return kNoError;
}
