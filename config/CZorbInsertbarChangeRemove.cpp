#include "config/CZorbInsertbarChangeRemove.h"

#include "config/ConfigTreeEdit.h"

CZorbInsertbarChangeRemove::CZorbInsertbarChangeRemove() {
  m_tag = u"insertbar-remove";
}

CZorbInsertbarChangeRemove::~CZorbInsertbarChangeRemove() = default;

CZorbXmlObject* CZorbInsertbarChangeRemove::Clone() const {
  return new CZorbInsertbarChangeRemove(*this);
}

void CZorbInsertbarChangeRemove::GetTag(CString& tag) const {
  tag = u"insertbar-remove";
}

void CZorbInsertbarChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, RemoveAttributes(), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbInsertbarChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                    CZorbXmlFile* file,
                                                                    const CZorbXmlFile*) const {
  CZorbXmlObject* insertbar = FindInsertbar(file);
  CZorbXmlObject* category = FindCategory(insertbar, m_id);
  if (!category) return kInsertbarChangeFailed;
  cfgtree::Remove(insertbar, category);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbInsertbarChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                    CZorbXmlFile*,
                                                                    const CZorbXmlFile*) const {
  return kNoError;
}
