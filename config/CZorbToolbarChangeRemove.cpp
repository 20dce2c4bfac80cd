#include "config/CZorbToolbarChangeRemove.h"

#include "config/ConfigTreeEdit.h"

CZorbToolbarChangeRemove::CZorbToolbarChangeRemove() {
  m_tag = u"toolbar-remove";
}

CZorbToolbarChangeRemove::~CZorbToolbarChangeRemove() = default;

CZorbXmlObject* CZorbToolbarChangeRemove::Clone() const {
  return new CZorbToolbarChangeRemove(*this);
}

void CZorbToolbarChangeRemove::GetTag(CString& tag) const {
  tag = u"toolbar-remove";
}

void CZorbToolbarChangeRemove::BuildXml(int level, CString& out) const {
  cfgtree::BuildChangeXml(*this, RemoveAttributes(), false, level, out);
}

CZorbConfigChange::ErrorCode CZorbToolbarChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                  CZorbXmlFile* file,
                                                                  const CZorbXmlFile*) const {
  CZorbXmlObject* toolbarset = FindToolbarSet(file);
  CZorbXmlObject* toolbar = FindToolbar(toolbarset, m_id);
  if (!toolbar) return kToolbarChangeFailed;
  cfgtree::Remove(toolbarset, toolbar);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbToolbarChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                  CZorbXmlFile*,
                                                                  const CZorbXmlFile*) const {
  return kNoError;
}
