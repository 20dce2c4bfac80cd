#include "extension/CZorbExtensionFile.h"

#include "extension/ExtensionXml.h"

CZorbExtensionFile::CZorbExtensionFile() : CZorbXmlObject(u"file") {}

CZorbExtensionFile::CZorbExtensionFile(const CZorbExtensionFile& other) = default;

CZorbExtensionFile& CZorbExtensionFile::operator=(const CZorbExtensionFile& other) = default;

CZorbExtensionFile::~CZorbExtensionFile() = default;

CZorbExtensionFile* CZorbExtensionFile::Clone() const {
  return new CZorbExtensionFile(*this);
}

void CZorbExtensionFile::GetTag(CString& tag) const {
  tag = u"file";
}

void CZorbExtensionFile::BuildXml(int level, CString& out) const {
  using namespace extxml;
  CString attributes;
  AppendAttributeAlways(attributes, u"source", m_source);
  AppendAttributeAlways(attributes, u"destination", m_destination);
  AppendTrue(attributes, u"shared", m_shared != 0);
  AppendTrue(attributes, u"isresourcefile", m_isResourceFile);
  AppendTrue(attributes, u"isemptyfolder", m_isEmptyFolder != 0);
  if (m_platform == extcode::kPlatformMac) AppendAttributeAlways(attributes, u"platform", u"mac");
  if (m_platform == extcode::kPlatformWin) AppendAttributeAlways(attributes, u"platform", u"win");
  if (const char16_t* type = FileTypeWord(m_fileType); type && !m_typeImplied)
    AppendAttributeAlways(attributes, u"file-type", type);
  AppendTrue(attributes, u"systemfile", m_systemFile);
  AppendAttribute(attributes, u"actual-path", m_actualPath);
  AppendAttribute(attributes, u"win-extension", m_winExtension);
  AppendAttribute(attributes, u"folder", m_folder);
  AppendAttribute(attributes, u"xml:lang", m_language);
  if (!m_minVersion.IsEmpty()) AppendAttributeAlways(attributes, u"minVersion", m_minVersion);
  if (!m_maxVersion.IsEmpty()) AppendAttributeAlways(attributes, u"maxVersion", m_maxVersion);
  AppendAttribute(attributes, u"wbxsid", m_wbxsId);
  AppendAttribute(attributes, u"wbxsversion", m_wbxsVersion);
  AppendEmptyElement(out, level, u"file", attributes);
}

bool CZorbExtensionFile::SetFileType(const CString& text, CString& message) {
  m_fileType = extxml::FileTypeCode(text);
  if (m_fileType != extcode::kFileTypeInvalid) return true;
  CString tag;
  GetTag(tag);
  message = extxml::FormatMessage(extcode::kInvalidValueMessage, CString(u"file-type"), tag, text,
                                  CString(u"wbxs,ordinary,plugin"));
  return false;
}

CString CZorbExtensionFile::GetWinExtension() const {
  return m_platform == extcode::kPlatformNone ? m_winExtension : CString();
}
