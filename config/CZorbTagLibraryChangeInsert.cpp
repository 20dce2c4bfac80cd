#include "config/CZorbTagLibraryChangeInsert.h"

#include "config/ConfigTreeEdit.h"

CZorbTagLibraryChangeInsert::CZorbTagLibraryChangeInsert() {
  m_tag = u"taglibrary-insert";
}

CZorbTagLibraryChangeInsert::~CZorbTagLibraryChangeInsert() = default;

CZorbXmlObject* CZorbTagLibraryChangeInsert::Clone() const {
  return new CZorbTagLibraryChangeInsert(*this);
}

void CZorbTagLibraryChangeInsert::GetTag(CString& tag) const {
  tag = u"taglibrary-insert";
}

void CZorbTagLibraryChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbTagLibraryChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* file,
                                                                     const CZorbXmlFile*) const {
  return static_cast<ErrorCode>(
      cfgtree::InsertEntries(*this, file, kRootTag, kEntryTag, kTagLibraryChangeFailed));
}

CZorbConfigChange::ErrorCode CZorbTagLibraryChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* file,
                                                                     const CZorbXmlFile*) const {
  cfgtree::UndoInsertEntries(*this, file, kRootTag, kEntryTag);
  return kNoError;
}
