#include "config/CZorbHelpBookChangeRemove.h"

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"

CZorbHelpBookChangeRemove::CZorbHelpBookChangeRemove() {
  m_tag = u"helpbook-remove";
}

CZorbHelpBookChangeRemove::~CZorbHelpBookChangeRemove() = default;

CZorbXmlObject* CZorbHelpBookChangeRemove::Clone() const {
  return new CZorbHelpBookChangeRemove(*this);
}

void CZorbHelpBookChangeRemove::GetTag(CString& tag) const {
  tag = u"helpbook-remove";
}

void CZorbHelpBookChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, cfgxml::IdAttributes(m_id, m_locale), false, level, out);
}

CZorbHelpChange::ErrorCode CZorbHelpBookChangeRemove::MakeChange(const CZorbHelpChanges*,
                                                                 CZorbXmlFile* file,
                                                                 const CZorbXmlFile*) const {
  return cfgtree::RemoveEntry(file, kRootTag, kEntryTag, m_id)
             ? CZorbConfigChange::kNoError
             : CZorbConfigChange::kHelpBooksRootMissing;
}

CZorbHelpChange::ErrorCode CZorbHelpBookChangeRemove::UndoChange(const CZorbHelpChanges*,
                                                                 CZorbXmlFile*,
                                                                 const CZorbXmlFile*) const {
  return CZorbConfigChange::kNoError;
}
