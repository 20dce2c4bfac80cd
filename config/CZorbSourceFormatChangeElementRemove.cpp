#include "config/CZorbSourceFormatChangeElementRemove.h"

CZorbSourceFormatChangeElementRemove::CZorbSourceFormatChangeElementRemove() {
  m_tag = u"element-remove";
}

CZorbSourceFormatChangeElementRemove::~CZorbSourceFormatChangeElementRemove() = default;

CZorbXmlObject* CZorbSourceFormatChangeElementRemove::Clone() const {
  return new CZorbSourceFormatChangeElementRemove(*this);
}

void CZorbSourceFormatChangeElementRemove::BuildXml(int level, CString& out) const {
  BuildNamedXml(CString(), level, out);
}

void CZorbSourceFormatChangeElementRemove::GetTagName(CString& name) const {
  name = m_name;
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementRemove::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* file, const CZorbXmlFile*) const {
  return MapResult(RemoveTag(file, m_name, kElementsMarker, kAttributesMarker),
                   kSourceFormatElementRemoveFailed, kSourceFormatElementSectionMissing);
}

CZorbConfigChange::ErrorCode CZorbSourceFormatChangeElementRemove::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile*, const CZorbXmlFile*) const {
  return kNoError;
}
