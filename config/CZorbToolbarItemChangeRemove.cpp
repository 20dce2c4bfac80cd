#include "config/CZorbToolbarItemChangeRemove.h"

#include "config/ConfigTreeEdit.h"

CZorbToolbarItemChangeRemove::CZorbToolbarItemChangeRemove() {
  m_tag = u"toolbar-item-remove";
}

CZorbToolbarItemChangeRemove::~CZorbToolbarItemChangeRemove() = default;

CZorbXmlObject* CZorbToolbarItemChangeRemove::Clone() const {
  return new CZorbToolbarItemChangeRemove(*this);
}

void CZorbToolbarItemChangeRemove::GetTag(CString& tag) const {
  tag = u"toolbar-item-remove";
}

void CZorbToolbarItemChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, RemoveAttributes(), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbToolbarItemChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                      CZorbXmlFile* file,
                                                                      const CZorbXmlFile*) const {
  return RemoveItem(FindToolbarSet(file), m_id) ? kNoError : kToolbarChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbToolbarItemChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                      CZorbXmlFile*,
                                                                      const CZorbXmlFile*) const {
  return kNoError;
}
