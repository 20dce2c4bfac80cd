#include "config/CZorbFTPExtensionMapChangeRemove.h"

#include "config/ConfigTextEdit.h"
#include "config/ConfigXml.h"

CZorbFTPExtensionMapChangeRemove::CZorbFTPExtensionMapChangeRemove() {
  m_tag = u"ftp-extension-remove";
}

CZorbFTPExtensionMapChangeRemove::~CZorbFTPExtensionMapChangeRemove() = default;

CZorbXmlObject* CZorbFTPExtensionMapChangeRemove::Clone() const {
  return new CZorbFTPExtensionMapChangeRemove(*this);
}

void CZorbFTPExtensionMapChangeRemove::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"extension", m_extension);
  cfgxml::AppendEmptyElement(tag, attributes, level, out);
}

CZorbConfigChange::ErrorCode CZorbFTPExtensionMapChangeRemove::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* xmlFile, const CZorbXmlFile*) const {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kFTPExtensionMapFileMissing;
  if (m_extension.GetLength() == 0) return kFTPExtensionMapRemoveFailed;
  RemoveMapping(*file, m_extension);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbFTPExtensionMapChangeRemove::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile*, const CZorbXmlFile*) const {
  return kNoError;
}
