#include "extension/CZorbExtensionFiles.h"

#include "extension/ExtensionXml.h"

CZorbExtensionFiles::CZorbExtensionFiles() : CZorbXmlObject(u"files") {}

CZorbExtensionFiles::CZorbExtensionFiles(const CZorbExtensionFiles& other) = default;

CZorbExtensionFiles& CZorbExtensionFiles::operator=(const CZorbExtensionFiles& other) = default;

CZorbExtensionFiles::~CZorbExtensionFiles() = default;

CZorbExtensionFiles* CZorbExtensionFiles::Clone() const {
  return new CZorbExtensionFiles(*this);
}

void CZorbExtensionFiles::GetTag(CString& tag) const {
  tag = u"files";
}

bool CZorbExtensionFiles::SetDefaultType(const CString& text, CString& message) {
  m_defaultTypeGiven = true;
  m_defaultFileType = extxml::FileTypeCode(text);
  if (m_defaultFileType != extcode::kFileTypeInvalid) return true;
  CString tag;
  GetTag(tag);
  message = extxml::FormatMessage(extcode::kInvalidValueMessage, CString(u"default-file-type"), tag,
                                  text, CString(u"wbxs,ordinary,plugin"));
  return false;
}
