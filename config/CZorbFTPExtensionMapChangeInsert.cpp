#include "config/CZorbFTPExtensionMapChangeInsert.h"

#include "config/CZorbFTPExtensionMapChangeRemove.h"
#include "config/CZorbTextConfigFile.h"
#include "config/ConfigTextEdit.h"
#include "config/ConfigXml.h"

CZorbFTPExtensionMapChangeInsert::CZorbFTPExtensionMapChangeInsert() {
  m_tag = u"ftp-extension-insert";
}

CZorbFTPExtensionMapChangeInsert::~CZorbFTPExtensionMapChangeInsert() = default;

CZorbXmlObject* CZorbFTPExtensionMapChangeInsert::Clone() const {
  return new CZorbFTPExtensionMapChangeInsert(*this);
}

void CZorbFTPExtensionMapChangeInsert::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, u"extension", m_extension);
  cfgxml::AppendAttributeAlways(attributes, u"mac-creator", m_macCreator);
  cfgxml::AppendAttributeAlways(attributes, u"mac-file-type", m_macFileType);
  cfgxml::AppendAttributeAlways(attributes, u"type", CString(m_ascii ? u"ASCII" : u"BINARY"));
  cfgxml::AppendEmptyElement(tag, attributes, level, out);
}

CZorbConfigChange::ErrorCode CZorbFTPExtensionMapChangeInsert::MakeChange(
    const CZorbConfigChanges*, CZorbXmlFile* xmlFile, const CZorbXmlFile*) const {
  CZorbTextConfigFile* file = cfgtext::AsTextFile(xmlFile);
  if (!file) return kFTPExtensionMapFileMissing;
  if (m_extension.GetLength() == 0) return kFTPExtensionMapInsertFailed;
  // A tab or a line end would split the line into other fields or lines.
  for (const CString* field : {&m_extension, &m_macCreator, &m_macFileType})
    if (field->FindOneOf(u"\t\r\n") >= 0) return kFTPExtensionMapInsertFailed;

  RemoveMapping(*file, m_extension);
  cfgtext::Work work;
  cfgtext::Prepare(*file, work);

  // After every line whose extension does not sort after the new one; lines
  // without a tab do not move the point.
  const std::u16string extension = cfgtext::ToU16(m_extension);
  const std::u16string lowerExtension = cfgtext::Lowered(extension);
  size_t point = 0;
  size_t lineStart = 0;
  while (lineStart < work.text.size()) {
    const size_t lineEnd = cfgtext::LineEnd(work.text, lineStart);
    const size_t next = lineEnd + cfgtext::LineEndLength(work.text, lineEnd);
    const size_t tab = work.lower.find(u'\t', lineStart);
    if (tab < lineEnd) {
      if (work.lower.compare(lineStart, tab - lineStart, lowerExtension) > 0) break;
      point = next;
    }
    lineStart = next;
  }

  const std::u16string line = extension + u"\t" + cfgtext::ToU16(m_macCreator) + u"\t" +
                              cfgtext::ToU16(m_macFileType) + u"\t" +
                              (m_ascii ? u"ASCII" : u"BINARY") + work.eol;
  work.Splice(point, 0, line);
  cfgtext::Store(*file, work);
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbFTPExtensionMapChangeInsert::UndoChange(
    const CZorbConfigChanges*, CZorbXmlFile* xmlFile, const CZorbXmlFile*) const {
  CZorbFTPExtensionMapChangeRemove remove;
  remove.m_extension = m_extension;
  return remove.MakeChange(nullptr, xmlFile, nullptr);
}
