#include "config/CZorbToolpanelConfigChanges.h"

CZorbToolpanelConfigChanges::CZorbToolpanelConfigChanges() = default;

CZorbToolpanelConfigChanges::CZorbToolpanelConfigChanges(const CZorbToolpanelConfigChanges& other)
    : CZorbConfigChanges(other) {}

CZorbToolpanelConfigChanges::~CZorbToolpanelConfigChanges() = default;

CZorbXmlObject* CZorbToolpanelConfigChanges::Clone() const {
  return new CZorbToolpanelConfigChanges(*this);
}

void CZorbToolpanelConfigChanges::GetTag(CString& tag) const {
  tag = u"toolpanel-changes";
}

CZorbXmlFile* CZorbToolpanelConfigChanges::CreateConfigFile(bool) const {
  return nullptr;
}

void CZorbToolpanelConfigChanges::GetFolder(CString&) const {}

void CZorbToolpanelConfigChanges::GetFileName(CString&) const {}
