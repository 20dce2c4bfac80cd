#include "config/CZorbDocumentTypeChangeRemove.h"

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"

CZorbDocumentTypeChangeRemove::CZorbDocumentTypeChangeRemove() {
  m_tag = u"documenttype-remove";
}

CZorbDocumentTypeChangeRemove::~CZorbDocumentTypeChangeRemove() = default;

CZorbXmlObject* CZorbDocumentTypeChangeRemove::Clone() const {
  return new CZorbDocumentTypeChangeRemove(*this);
}

void CZorbDocumentTypeChangeRemove::GetTag(CString& tag) const {
  tag = u"documenttype-remove";
}

void CZorbDocumentTypeChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, cfgxml::IdAttributes(m_id, m_locale), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbDocumentTypeChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                       CZorbXmlFile* file,
                                                                       const CZorbXmlFile*) const {
  return cfgtree::RemoveEntry(file, kRootTag, kEntryTag, m_id) ? kNoError
                                                               : kDocumentTypeChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbDocumentTypeChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                       CZorbXmlFile*,
                                                                       const CZorbXmlFile*) const {
  return kNoError;
}
