#include "foundation/CZorbFileMap.h"

#include "platform/os/TextConverter.h"
#include "platform/os/TextEncodings.h"
#include "platform/widechar/WideChar.h"

CZorbFileMapEntry::CZorbFileMapEntry(const CZorbFileMapEntry& other) : CZorbXmlObject(other) {
  m_extension = other.m_extension;
  m_creator = other.m_creator;
  m_type = other.m_type;
}

CZorbFileMapEntry& CZorbFileMapEntry::operator=(const CZorbFileMapEntry& other) {
  if (this != &other) {
    CZorbXmlObject::operator=(other);
    m_extension = other.m_extension;
    m_creator = other.m_creator;
    m_type = other.m_type;
  }
  return *this;
}

CZorbXmlObject* CZorbFileMapEntry::Clone() const {
  return new CZorbFileMapEntry(*this);
}

void CZorbFileMapEntry::GetTag(CString&) const {}

void CZorbFileMapEntry::BuildXml(int, CString&) const {}

uint32_t CZorbFileMapEntry::ConvertStringToCode(const char16_t* text) {
  if (text == nullptr) return 0;
  // A code holds four bytes: more characters are cut, never written past it.
  size_t count = platform::wcslen(text);
  if (count > 4) count = 4;
  unsigned char bytes[4] = {0, 0, 0, 0};
  size_t n = 0;
  platform::TextConversion convert(platform::encoding::kMacRoman,
                                   platform::TextDirection::FromUnicode);
  for (size_t i = 0; i < count; ++i) {
    unsigned char byte = '?';
    char16_t unit = text[i];
    if (unit < 0x80) {
      byte = static_cast<unsigned char>(unit);
    } else if (convert.valid()) {
      unsigned char out = 0;
      platform::TextConvertResult r = convert.convert(&unit, sizeof unit, &out, 1);
      if (r.status == platform::textstatus::kOk && r.bytesWritten == 1) byte = out;
      convert.reset();
    }
    bytes[n++] = byte;
  }
  uint32_t code = 0;
  // The bytes end at the lowest byte of the value.
  for (size_t i = 0; i < n; ++i) code = (code << 8) | bytes[i];
  return code;
}

CZorbXmlObject* CZorbFileMap::Clone() const {
  return new CZorbFileMap(*this);
}

void CZorbFileMap::GetTag(CString&) const {}

void CZorbFileMap::BuildXml(int, CString&) const {}

int CZorbFileMap::Load(const char16_t* path, CZorbTypedList<CZorbString>*) {
  CZorbFileMapXMLParser parser(this);
  return parser.ParseFile(path, false);
}

bool CZorbFileMap::Lookup(const char16_t* extension, uint32_t& creator, uint32_t& type) const {
  if (extension == nullptr) return false;
  for (const CZorbXmlObject* child : m_children) {
    const auto* entry = dynamic_cast<const CZorbFileMapEntry*>(child);
    if (entry != nullptr && entry->GetExtension().CompareNoCase(extension) == 0) {
      creator = entry->GetCreator();
      type = entry->GetType();
      return true;
    }
  }
  return false;
}

bool CZorbFileMap::Lookup(uint32_t creator, uint32_t type, CString& extension) const {
  for (const CZorbXmlObject* child : m_children) {
    const auto* entry = dynamic_cast<const CZorbFileMapEntry*>(child);
    if (entry != nullptr && entry->GetCreator() == creator && entry->GetType() == type) {
      extension = entry->GetExtension();
      return true;
    }
  }
  return false;
}

void CZorbFileMapXMLParser::OnElementStart(const char16_t* name, const char16_t** attrs) {
  if (m_map == nullptr || name == nullptr || platform::wcsicmp(name, u"mapping") != 0) return;
  auto* entry = new CZorbFileMapEntry();
  for (const char16_t* attr = GetFirstAttr(attrs); attr != nullptr; attr = GetNextAttr()) {
    const char16_t* value = GetValue();
    if (value == nullptr) break;
    if (platform::wcsicmp(attr, u"ext") == 0)
      entry->SetExtension(value);
    else if (platform::wcsicmp(attr, u"creator") == 0)
      entry->SetCreator(value);
    else if (platform::wcsicmp(attr, u"type") == 0)
      entry->SetType(value);
  }
  m_map->m_children.push_back(entry);
}
