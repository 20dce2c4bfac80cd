#include "config/CZorbToolbarConfigChanges.h"

#include "config/CZorbGenericXmlFile.h"
#include "config/ConfigXml.h"

namespace {

bool IsDefaultName(const CString& name) {
  return cfgxml::EqualsNoCase(name, CZorbToolbarConfigChanges::kDefaultFileName);
}

}  // namespace

CZorbToolbarConfigChanges::CZorbToolbarConfigChanges() : m_fileName(kDefaultFileName) {}

CZorbToolbarConfigChanges::CZorbToolbarConfigChanges(const CZorbToolbarConfigChanges& other)
    : CZorbConfigChanges(other), m_fileName(other.m_fileName) {}

CZorbToolbarConfigChanges::~CZorbToolbarConfigChanges() = default;

CZorbXmlObject* CZorbToolbarConfigChanges::Clone() const {
  return new CZorbToolbarConfigChanges(*this);
}

void CZorbToolbarConfigChanges::GetTag(CString& tag) const {
  tag = u"toolbar-changes";
}

void CZorbToolbarConfigChanges::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  if (!IsDefaultName(m_fileName)) cfgxml::AppendAttribute(attributes, u"file", m_fileName);
  cfgxml::AppendElement(*this, tag, attributes, level, out);
}

CZorbXmlFile* CZorbToolbarConfigChanges::CreateConfigFile(bool exists) const {
  auto* file = new CZorbGenericXmlFile();
  if (!exists) {
    file->m_children.push_back(new CZorbXmlMisc(u"<?xml version=\"1.0\"?>"));
    file->m_children.push_back(
        new CZorbXmlMisc(u"<!DOCTYPE toolbarset SYSTEM \"-//Quillory//LWExtension toolbar 5.0\">"));
    file->m_children.push_back(new CZorbXmlObject(u"toolbarset"));
  }
  return file;
}

void CZorbToolbarConfigChanges::GetFolder(CString& folder) const {
  folder = u"Toolbars";
}

void CZorbToolbarConfigChanges::GetFileName(CString& name) const {
  name = m_fileName;
}

bool CZorbToolbarConfigChanges::AllowNewFile() const {
  return !IsDefaultName(m_fileName);
}
