#pragma once

#include <cstdint>

#include "config/ConfigXml.h"
#include "foundation/CString.h"
#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlObject.h"

class CZorbGenericXmlFile;

// Reads any XML document into a CZorbGenericXmlFile: elements become
// CZorbXmlObject nodes, comments comment nodes (elements named "comment"
// comment nodes that are written back as elements), and declarations and
// processing instructions markup nodes with their source text. The
// file's open-element stack, with the file itself at the bottom, holds the
// open nodes. One parser reads one document.
class CZorbGenericXMLParser : public CZorbXMLParser {
 public:
  // file may be null: every event is then ignored.
  explicit CZorbGenericXMLParser(CZorbGenericXmlFile* file);
  ~CZorbGenericXMLParser() override;

  // Escapes every "&" so that entity references reach the tree as written.
  int OnPreProcessLine(CString& line) const override;
  void OnElementStart(const char16_t* name, const char16_t** attrs) override;
  void OnElementEnd(const char16_t* name) override;
  void OnCData(const char16_t* text, int length) override;
  void OnCDataSectionStart() override;
  void OnCDataSectionEnd() override;
  void OnComment(const char16_t* text) override;
  void OnDefault(const char16_t* text, int length) override;
  // The attribute's value with every double quote turned into an apostrophe.
  const char16_t* GetValue() override;

  // The form of the first element read without text or children: new
  // elements are written in it, so they look like the host's own.
  CZorbXmlObject::EmptyForm m_firstEmptyForm = CZorbXmlObject::EmptyForm::kUnread;

 private:
  CZorbXmlObject* Top() const;
  void NoteEmptyForm(CZorbXmlObject& node, CZorbXmlObject::EmptyForm form);

  CZorbGenericXmlFile* m_file;
  bool m_inComment = false;
  bool m_inCData = false;
  // Character-data events since the last element start.
  int32_t m_cdataCount = 0;
  // Pieces of a declaration that expat delivers in several calls, until
  // the piece that ends it; this parse's own.
  cfgxml::MarkupCollector m_markup;
  // White space after the last text of the open element, kept until more
  // text follows.
  CString m_pendingSpace;
};
