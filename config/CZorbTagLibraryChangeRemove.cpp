#include "config/CZorbTagLibraryChangeRemove.h"

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"

CZorbTagLibraryChangeRemove::CZorbTagLibraryChangeRemove() {
  m_tag = u"taglibrary-remove";
}

CZorbTagLibraryChangeRemove::~CZorbTagLibraryChangeRemove() = default;

CZorbXmlObject* CZorbTagLibraryChangeRemove::Clone() const {
  return new CZorbTagLibraryChangeRemove(*this);
}

void CZorbTagLibraryChangeRemove::GetTag(CString& tag) const {
  tag = u"taglibrary-remove";
}

void CZorbTagLibraryChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, cfgxml::IdAttributes(m_id, m_locale), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbTagLibraryChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* file,
                                                                     const CZorbXmlFile*) const {
  return cfgtree::RemoveEntry(file, kRootTag, kEntryTag, m_id) ? kNoError : kTagLibraryChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbTagLibraryChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile*,
                                                                     const CZorbXmlFile*) const {
  return kNoError;
}
