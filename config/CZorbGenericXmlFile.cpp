#include "config/CZorbGenericXmlFile.h"

#include "config/CZorbGenericXMLParser.h"
#include "config/ConfigXml.h"

CZorbGenericXmlFile::CZorbGenericXmlFile() {
  m_openElements.push_back(this);
}

CZorbGenericXmlFile::CZorbGenericXmlFile(const CZorbGenericXmlFile& other)
    : CZorbXmlFile(other), m_path(other.m_path), m_loadFailed(other.m_loadFailed) {
  m_openElements.clear();
  m_openElements.push_back(this);
}

CZorbGenericXmlFile::~CZorbGenericXmlFile() = default;

CZorbXmlObject* CZorbGenericXmlFile::Clone() const {
  return new CZorbGenericXmlFile(*this);
}

void CZorbGenericXmlFile::GetTag(CString& tag) const {
  tag.Empty();
}

void CZorbGenericXmlFile::BuildXml(int, CString&) const {}

int CZorbGenericXmlFile::Load(const char16_t* path, CZorbTypedList<CZorbString>*) {
  DeleteChildren();
  m_xmlDecl.Empty();
  m_path = path;
  m_openElements.clear();
  m_openElements.push_back(this);

  int result;
  {
    CZorbGenericXMLParser parser(this);
    result = parser.ParseFile(path, false);
    if (result == 0) {
      m_xmlDecl = parser.m_xmlDecl;
      m_encoding = parser.m_encoding;
    }
  }
  m_openElements.clear();
  m_openElements.push_back(this);
  // A tree cut short by a syntax error must never be written back.
  m_loadFailed = result != 0;
  if (m_loadFailed) DeleteChildren();
  return result;
}

int CZorbGenericXmlFile::Save(const char16_t* path) {
  if (!path || m_loadFailed) return -1;
  CZorbString text;
  if (m_xmlDecl.GetLength() > 0) {
    text += m_xmlDecl;
    text += cfgxml::kCR;
  }
  for (const CZorbXmlObject* child : m_children) {
    if (!child) continue;
    CString piece;
    child->BuildXml(0, piece);
    piece.Replace(u"&amp;", u"&");
    piece.Replace(u"&apos;", u"'");
    text += piece;
    text += cfgxml::kCR;
  }
  return DoSave(path, text);
}
