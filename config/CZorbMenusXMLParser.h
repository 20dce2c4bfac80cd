#pragma once

#include <cstdint>

#include "config/ConfigXml.h"
#include "config/XmlMarkupScanner.h"
#include "foundation/CString.h"
#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlObject.h"

class CZorbMenusXmlFile;

// Reads the host's menus files, which are not well-formed as they stand
// (raw ampersands, script fragments, bare attribute words, a few known
// broken lines), into the menu node model. The file's open-element stack
// holds the open containers while it runs. One parser reads one file.
class CZorbMenusXMLParser : public CZorbXMLParser {
 public:
  explicit CZorbMenusXMLParser(CZorbMenusXmlFile* file);
  ~CZorbMenusXMLParser() override;

  // The lenient line pre-pass (see the table in the source). A bare word
  // dynamic gets its value only where it stands as an attribute of a start
  // tag, so comments and other markup keep their text.
  int OnPreProcessLine(CString& line) const override;
  // Leaves a line with a CDATA section as it is.
  int OnPreProcessCDATALine(CString& line) const override;
  void OnElementStart(const char16_t* name, const char16_t** attrs) override;
  void OnElementEnd(const char16_t* name) override;
  void OnCData(const char16_t* text, int length) override;
  void OnCDataSectionStart() override;
  void OnComment(const char16_t* text) override;
  void OnDefault(const char16_t* text, int length) override;
  // The attribute's value with every double quote turned into an apostrophe.
  const char16_t* GetValue() override;

  // Undoes the line pre-pass on text that expat hands over raw (comments
  // and other markup), so those keep the source's own characters.
  static void RestoreRawText(CString& text);

  // The number of top-level nodes that stood before the root "menus"
  // element; -1 until the root was seen.
  int32_t m_prologCount = -1;
  // The form of the first item, separator, shortcut or format read as an
  // empty-element tag: the file writes those it did not read so.
  CZorbXmlObject::EmptyForm m_firstEmptyForm = CZorbXmlObject::EmptyForm::kUnread;

 private:
  CZorbXmlObject* Top() const;
  // Gives a bare attribute dynamic of a start tag the value "true".
  void GiveDynamicAValue(CString& line) const;
  // Appends node to the top of the stack, or to the file when it is empty.
  void AppendToTopOrFile(CZorbXmlObject* node);
  // Calls handle(name, value) for each attribute, values through GetValue.
  template <class Handle>
  void ReadAttributes(const char16_t** attrs, const Handle& handle);

  CZorbMenusXmlFile* m_file;
  // The node of the last start tag while nothing has followed it: an end
  // tag right after it makes it a pair of tags without content.
  CZorbXmlObject* m_justStarted = nullptr;
  // Pieces of markup until the one that ends it; this parse's own.
  cfgxml::MarkupCollector m_markup;
  // Where the pre-pass stands in the markup, over the lines of the file.
  mutable XmlMarkupScanner m_scan;
};
