#include "config/CZorbInsertbarItemChangeRemove.h"

#include "config/ConfigTreeEdit.h"

CZorbInsertbarItemChangeRemove::CZorbInsertbarItemChangeRemove() {
  m_tag = u"insertbar-item-remove";
}

CZorbInsertbarItemChangeRemove::~CZorbInsertbarItemChangeRemove() = default;

CZorbXmlObject* CZorbInsertbarItemChangeRemove::Clone() const {
  return new CZorbInsertbarItemChangeRemove(*this);
}

void CZorbInsertbarItemChangeRemove::GetTag(CString& tag) const {
  tag = u"insertbar-item-remove";
}

void CZorbInsertbarItemChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, RemoveAttributes(), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbInsertbarItemChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                        CZorbXmlFile* file,
                                                                        const CZorbXmlFile*) const {
  return RemoveItem(FindInsertbar(file), m_id) ? kNoError : kInsertbarChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbInsertbarItemChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                        CZorbXmlFile*,
                                                                        const CZorbXmlFile*) const {
  return kNoError;
}
