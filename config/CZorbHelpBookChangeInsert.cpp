#include "config/CZorbHelpBookChangeInsert.h"

#include "config/ConfigTreeEdit.h"

CZorbHelpBookChangeInsert::CZorbHelpBookChangeInsert() {
  m_tag = u"helpbook-insert";
}

CZorbHelpBookChangeInsert::~CZorbHelpBookChangeInsert() = default;

CZorbXmlObject* CZorbHelpBookChangeInsert::Clone() const {
  return new CZorbHelpBookChangeInsert(*this);
}

void CZorbHelpBookChangeInsert::GetTag(CString& tag) const {
  tag = u"helpbook-insert";
}

void CZorbHelpBookChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbHelpChange::ErrorCode CZorbHelpBookChangeInsert::MakeChange(const CZorbHelpChanges*,
                                                                 CZorbXmlFile* file,
                                                                 const CZorbXmlFile*) const {
  return static_cast<ErrorCode>(cfgtree::InsertEntries(*this, file, kRootTag, kEntryTag,
                                                       CZorbConfigChange::kHelpBooksRootMissing));
}

CZorbHelpChange::ErrorCode CZorbHelpBookChangeInsert::UndoChange(const CZorbHelpChanges*,
                                                                 CZorbXmlFile* file,
                                                                 const CZorbXmlFile*) const {
  // The books go with the extension, like the other registries' entries.
  cfgtree::UndoInsertEntries(*this, file, kRootTag, kEntryTag);
  return CZorbConfigChange::kNoError;
}
