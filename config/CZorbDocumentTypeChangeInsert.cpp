#include "config/CZorbDocumentTypeChangeInsert.h"

#include "config/ConfigTreeEdit.h"

CZorbDocumentTypeChangeInsert::CZorbDocumentTypeChangeInsert() {
  m_tag = u"documenttype-insert";
}

CZorbDocumentTypeChangeInsert::~CZorbDocumentTypeChangeInsert() = default;

CZorbXmlObject* CZorbDocumentTypeChangeInsert::Clone() const {
  return new CZorbDocumentTypeChangeInsert(*this);
}

void CZorbDocumentTypeChangeInsert::GetTag(CString& tag) const {
  tag = u"documenttype-insert";
}

void CZorbDocumentTypeChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbDocumentTypeChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                       CZorbXmlFile* file,
                                                                       const CZorbXmlFile*) const {
  return static_cast<ErrorCode>(
      cfgtree::InsertEntries(*this, file, kRootTag, kEntryTag, kDocumentTypeChangeFailed));
}

CZorbConfigChange::ErrorCode CZorbDocumentTypeChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                       CZorbXmlFile* file,
                                                                       const CZorbXmlFile*) const {
  cfgtree::UndoInsertEntries(*this, file, kRootTag, kEntryTag);
  return kNoError;
}
