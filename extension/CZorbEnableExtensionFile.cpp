#include "extension/CZorbEnableExtensionFile.h"

#include "extension/ExtensionXml.h"
#include "foundation/CZorbUnicodeConverter.h"

CZorbEnableExtensionFile::CZorbEnableExtensionFile() = default;

CZorbEnableExtensionFile::CZorbEnableExtensionFile(const CZorbEnableExtensionFile& other)
    : CZorbXmlFile() {
  *this = other;
}

CZorbEnableExtensionFile& CZorbEnableExtensionFile::operator=(
    const CZorbEnableExtensionFile& other) {
  if (this == &other) return *this;
  m_names.clear();
  for (const auto& [name, unused] : other.m_names) m_names.SetAt(name, CString(u"1"));
  m_path = other.m_path;
  return *this;
}

CZorbEnableExtensionFile::~CZorbEnableExtensionFile() = default;

CZorbEnableExtensionFile* CZorbEnableExtensionFile::Clone() const {
  return new CZorbEnableExtensionFile(*this);
}

void CZorbEnableExtensionFile::GetTag(CString& tag) const {
  tag = u"EnabledExtensionForEnableForALL";
}

void CZorbEnableExtensionFile::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  extxml::AppendListDocument(out, level, tag, {{u"KXIName", &m_names}});
}

int CZorbEnableExtensionFile::Save(const char16_t* path) {
  m_encoding = CZorbUnicodeConverter::kUTF8;
  if (!path || !*path) path = m_path;
  if (!path || !*path) return -1;
  return CZorbXmlFile::Save(path);
}

int CZorbEnableExtensionFile::Load(const char16_t*, CZorbTypedList<CZorbString>*) {
  return 0;
}

void CZorbEnableExtensionFile::InsertKXIFileName(const CString& name) {
  m_names.SetAt(name, CString(u"1"));
}
