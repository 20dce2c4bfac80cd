#include "config/CZorbExtensionsChangeInsert.h"

#include "config/CZorbExtensionsChangeRemove.h"
#include "config/CZorbTextConfigFile.h"
#include "config/ConfigTextEdit.h"
#include "config/ConfigXml.h"

CZorbExtensionsChangeInsert::CZorbExtensionsChangeInsert() {
  m_tag = u"extension-insert";
}

CZorbExtensionsChangeInsert::~CZorbExtensionsChangeInsert() = default;

CZorbXmlObject* CZorbExtensionsChangeInsert::Clone() const {
  return new CZorbExtensionsChangeInsert(*this);
}

void CZorbExtensionsChangeInsert::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"extension", m_extension);
  cfgxml::AppendAttributeAlways(attributes, u"description", m_description);
  AppendLocaleAttribute(attributes);
  cfgxml::AppendEmptyElement(tag, attributes, level, out);
}

CZorbConfigChange::ErrorCode CZorbExtensionsChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* xmlFile,
                                                                     const CZorbXmlFile*) const {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kExtensionsFileMissing;
  if (m_extension.GetLength() == 0) return kExtensionsInsertNoExtension;
  if (m_description.GetLength() == 0) return kExtensionsInsertNoDescription;
  // A line end would split the line; a colon would end the extension list
  // early, so the undo could no longer find the extension.
  if (m_extension.FindOneOf(u":\r\n") >= 0) return kExtensionsInsertNoExtension;
  if (m_description.FindOneOf(u"\r\n") >= 0) return kExtensionsInsertNoDescription;

  RemoveExtension(*file, m_extension, m_description);
  cfgtext::Work work;
  cfgtext::Prepare(*file, work);
  const std::u16string extension = cfgtext::ToU16(m_extension);
  const std::u16string description = cfgtext::Lowered(cfgtext::ToU16(m_description));

  size_t lineStart = 0;
  while (lineStart < work.text.size()) {
    const size_t lineEnd = cfgtext::LineEnd(work.text, lineStart);
    const size_t colon = work.lower.find(u':', lineStart);
    if (colon < lineEnd && work.lower.compare(colon + 1, lineEnd - colon - 1, description) == 0) {
      // Always behind a comma, also on a line that had no extensions (the
      // catch-all line): the undo then takes the comma with it and leaves
      // the host's line as it was.
      work.Splice(colon, 0, u"," + extension);
      cfgtext::Store(*file, work);
      return kNoError;
    }
    lineStart = lineEnd + cfgtext::LineEndLength(work.text, lineEnd);
  }
  work.Splice(work.text.size(), 0, extension + u":" + cfgtext::ToU16(m_description) + work.eol);
  cfgtext::Store(*file, work);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbExtensionsChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                     CZorbXmlFile* xmlFile,
                                                                     const CZorbXmlFile*) const {
  CZorbExtensionsChangeRemove remove;
  remove.m_extension = m_extension;
  remove.m_description = m_description;
  return remove.MakeChange(nullptr, xmlFile, nullptr);
}
