#include "config/CZorbExtensionsChangeRemove.h"

#include "config/ConfigTextEdit.h"

CZorbExtensionsChangeRemove::CZorbExtensionsChangeRemove() {
  m_tag = u"extension-remove";
}

CZorbExtensionsChangeRemove::~CZorbExtensionsChangeRemove() = default;

CZorbXmlObject* CZorbExtensionsChangeRemove::Clone() const {
  return new CZorbExtensionsChangeRemove(*this);
}

CZorbConfigChange::ErrorCode CZorbExtensionsChangeRemove::MakeChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* xmlFile,
                                                                     const CZorbXmlFile*) const {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kExtensionsFileMissing;
  if (m_extension.GetLength() == 0) return kExtensionsRemoveNoExtension;
  RemoveExtension(*file, m_extension, m_description);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbExtensionsChangeRemove::UndoChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile*,
                                                                     const CZorbXmlFile*) const {
  return kNoError;
}
