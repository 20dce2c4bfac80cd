#include "config/CZorbServerBehaviorChanges.h"

#include "config/CZorbMenusXmlFile.h"

CZorbServerBehaviorChanges::CZorbServerBehaviorChanges() = default;

CZorbServerBehaviorChanges::CZorbServerBehaviorChanges(const CZorbServerBehaviorChanges& other)
    : CZorbServerConfigChanges(other) {}

CZorbServerBehaviorChanges::~CZorbServerBehaviorChanges() = default;

CZorbXmlObject* CZorbServerBehaviorChanges::Clone() const {
  return new CZorbServerBehaviorChanges(*this);
}

void CZorbServerBehaviorChanges::GetTag(CString& tag) const {
  tag = u"server-behavior-changes";
}

CZorbXmlFile* CZorbServerBehaviorChanges::CreateConfigFile(bool) const {
  return new CZorbMenusXmlFile();
}

void CZorbServerBehaviorChanges::GetFolder(CString& folder) const {
  folder = u"ServerBehaviors";
}

void CZorbServerBehaviorChanges::GetFileName(CString& name) const {
  name = u"ServerBehaviors.xml";
}

bool CZorbServerBehaviorChanges::UseReferenceFile() const {
  return true;
}

bool CZorbServerBehaviorChanges::AppendIfLocationNotFound() const {
  return true;
}
