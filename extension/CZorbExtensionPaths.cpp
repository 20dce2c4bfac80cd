#include "extension/CZorbExtensionPaths.h"

#include "extension/ExtensionXml.h"
#include "foundation/CZorbUnicodeConverter.h"

CZorbExtensionPaths::CZorbExtensionPaths() = default;

CZorbExtensionPaths::CZorbExtensionPaths(const CZorbExtensionPaths& other) : CZorbXmlFile() {
  *this = other;
}

CZorbExtensionPaths& CZorbExtensionPaths::operator=(const CZorbExtensionPaths& other) {
  if (this == &other) return *this;
  m_files.clear();
  for (const auto& [path, unused] : other.m_files) m_files.SetAt(path, CString(u"1"));
  m_wbxsIds.clear();
  for (const auto& [id, unused] : other.m_wbxsIds) m_wbxsIds.SetAt(id, CString(u"1"));
  m_path = other.m_path;
  return *this;
}

CZorbExtensionPaths::~CZorbExtensionPaths() = default;

CZorbExtensionPaths* CZorbExtensionPaths::Clone() const {
  return new CZorbExtensionPaths(*this);
}

void CZorbExtensionPaths::GetTag(CString& tag) const {
  tag = u"Paths";
}

void CZorbExtensionPaths::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  extxml::AppendListDocument(out, level, tag, {{u"file", &m_files}, {u"wbxs", &m_wbxsIds}});
}

int CZorbExtensionPaths::Save(const char16_t* path) {
  m_encoding = CZorbUnicodeConverter::kUTF8;
  if (!path || !*path) path = m_path;
  if (!path || !*path) return -1;
  return CZorbXmlFile::Save(path);
}

int CZorbExtensionPaths::Load(const char16_t*, CZorbTypedList<CZorbString>*) {
  return 0;
}

void CZorbExtensionPaths::InsertAbsoluteFilePath(const CString& path, int32_t fileTypeCode) {
  m_files.SetAt(path, CString(u"1"));
  if (fileTypeCode == extcode::kFileTypePlugin) m_pluginFiles.SetAt(path, CString(u"1"));
}

void CZorbExtensionPaths::InsertWBXSId(const CString& id) {
  m_wbxsIds.SetAt(id, CString(u"1"));
}
