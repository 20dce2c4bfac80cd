#include "config/CZorbSourceFormatChanges.h"

#include "config/CZorbTextConfigFile.h"

CZorbSourceFormatChanges::CZorbSourceFormatChanges() = default;

CZorbSourceFormatChanges::CZorbSourceFormatChanges(const CZorbSourceFormatChanges& other)
    : CZorbConfigChanges(other) {}

CZorbSourceFormatChanges::~CZorbSourceFormatChanges() = default;

CZorbXmlObject* CZorbSourceFormatChanges::Clone() const {
  return new CZorbSourceFormatChanges(*this);
}

void CZorbSourceFormatChanges::GetTag(CString& tag) const {
  tag = u"source-format-changes";
}

CZorbXmlFile* CZorbSourceFormatChanges::CreateConfigFile(bool) const {
  return new CZorbTextConfigFile();
}

void CZorbSourceFormatChanges::GetFolder(CString& folder) const {
  folder = u"";
}

void CZorbSourceFormatChanges::GetFileName(CString& name) const {
  name = u"SourceFormat.txt";
}
