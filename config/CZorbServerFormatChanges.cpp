#include "config/CZorbServerFormatChanges.h"

#include "config/CZorbMenusXmlFile.h"

CZorbServerFormatChanges::CZorbServerFormatChanges() = default;

CZorbServerFormatChanges::CZorbServerFormatChanges(const CZorbServerFormatChanges& other)
    : CZorbServerConfigChanges(other) {}

CZorbServerFormatChanges::~CZorbServerFormatChanges() = default;

CZorbXmlObject* CZorbServerFormatChanges::Clone() const {
  return new CZorbServerFormatChanges(*this);
}

void CZorbServerFormatChanges::GetTag(CString& tag) const {
  tag = u"server-format-changes";
}

CZorbXmlFile* CZorbServerFormatChanges::CreateConfigFile(bool) const {
  return new CZorbMenusXmlFile();
}

void CZorbServerFormatChanges::GetFolder(CString& folder) const {
  folder = u"ServerFormats";
}

void CZorbServerFormatChanges::GetFileName(CString& name) const {
  name = u"ServerFormats.xml";
}

bool CZorbServerFormatChanges::UseReferenceFile() const {
  return true;
}
