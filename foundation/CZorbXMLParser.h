#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "foundation/CString.h"

struct XML_ParserStruct;

// The event-driven XML reader over expat. Readers derive from it, take the
// object they fill in their constructor and override the events.
//
// ParseFile does not hand the file to expat as it stands: it decodes it
// (byte-order mark, then the declaration's charset, else the default text
// encoding), trims every line, drops blank ones, lets the reader correct or
// reject each line, puts a fixed declaration in front and, on request, wraps
// everything in one <wrapper> element; then expat parses that text in one
// call and the events arrive in document order.
//
// A document whose mark or declaration names an encoding it does not decode
// in, and one nested deeper than CZorbXmlObject::kMaxDepth elements, is
// refused as malformed, with the place of the fault.
//
// One parser object is used by one thread at a time; parsers on different
// threads share nothing.
class CZorbXMLParser {
 public:
  // ParseFile's result when expat refused the document. The reader has seen
  // the events before the error; its model must not be used or saved.
  static constexpr int kMalformedDocument = -4;

  CZorbXMLParser();
  virtual ~CZorbXMLParser();
  CZorbXMLParser(const CZorbXMLParser&) = delete;
  CZorbXMLParser& operator=(const CZorbXMLParser&) = delete;

  // A source line (trimmed, never empty) before expat sees it. May change
  // the line; a non-zero result stops the whole parse with that result and
  // no event is delivered.
  virtual int OnPreProcessLine(CString& line) const;
  // The same for the lines of a CDATA section that spans lines, from the
  // line that opens it to the line that closes it.
  virtual int OnPreProcessCDATALine(CString& line) const;

  // attrs is expat's array: name, value, name, value, ..., null.
  virtual void OnElementStart(const char16_t* name, const char16_t** attrs) = 0;
  virtual void OnElementEnd(const char16_t* name);
  // Character data; text is not terminated.
  virtual void OnCData(const char16_t* text, int length);
  virtual void OnCDataSectionStart();
  virtual void OnCDataSectionEnd();
  virtual void OnComment(const char16_t* text);
  // Whatever expat hands its default handler: declarations, processing
  // instructions, references to entities it does not expand.
  virtual void OnDefault(const char16_t* text, int length);
  // Steps the attribute cursor onto the current attribute's value and
  // returns it; null past the end.
  virtual const char16_t* GetValue();

  // path is a colon path. 0 when the document parsed; -1 when the file
  // cannot be read or is empty; a pre-processing operation's non-zero
  // result; kMalformedDocument when expat refused it (the error is logged
  // and kept, see below).
  int ParseFile(const char16_t* path, bool wrap);
  // Hands text held in memory to expat (incremental); expat's status: 1
  // for success, 0 for an error.
  int Parse(const char16_t* text, int length, bool isFinal);

  // The attribute walk: GetFirstAttr returns the first name (null when
  // there is none), GetValue that name's value, GetNextAttr the next name
  // or null at the end.
  const char16_t* GetFirstAttr(const char16_t** attrs);
  const char16_t* GetNextAttr();

  // Copies length units of source to dest (which holds length + 1) and
  // terminates it, steps source by one unit, and maps the copy between Mac
  // Roman and cp1252 by the parser's switches. Does nothing without a parser.
  static void ConvertUTF8(const char16_t*& source, char16_t* dest, int& length,
                          CZorbXMLParser* parser);

  // Inside an event: the units of the text handed to expat that the event
  // stands for (a start tag whole, an end tag; nothing for the end of an
  // empty-element tag). Empty outside events.
  std::u16string_view CurrentMarkup() const;

  // expat's error of the last parse (0 when there was none), with the line
  // and column in the source file (both 1-based) where ParseFile found it.
  int GetErrorCode() const { return m_errorCode; }
  uint32_t GetErrorLine() const { return m_errorLine; }
  uint32_t GetErrorColumn() const { return m_errorColumn; }
  const CString& GetErrorText() const { return m_errorText; }

  // 1 (Windows to Mac, the default) or 2 (Mac to Windows).
  int m_mode = 1;
  // The source's XML declaration, as ParseFile found it.
  CString m_xmlDecl;
  // Free for readers (the menus reader keeps an "xmlns:QQString" value).
  CString m_xmlns;
  bool m_convertEnabled = true;
  bool m_convertToWindows = false;
  // The encoding in which ParseFile decoded the source.
  uint32_t m_encoding;

 protected:
  XML_ParserStruct* m_parser = nullptr;
  const char16_t** m_attrCursor = nullptr;
  // Scratch text of GetValue; each parser has its own.
  CString m_convertBuffer;

 private:
  struct LineOrigin;

  void InstallHandlers();
  // Makes the expat parser ready for a new document.
  void Restart();
  int ParseText(const char16_t* text, size_t length, bool isFinal);
  // Consumes the file's bytes.
  int ParseDecoded(const char16_t* path, std::string& bytes, bool wrap);
  void ReportError(const char16_t* path, const LineOrigin* origins, size_t originCount);

  static void StartElement(void* userData, const unsigned short* name,
                           const unsigned short** attrs);
  static void EndElement(void* userData, const unsigned short* name);
  static void CharacterData(void* userData, const unsigned short* text, int length);
  static void StartCData(void* userData);
  static void EndCData(void* userData);
  static void Comment(void* userData, const unsigned short* text);
  static void Default(void* userData, const unsigned short* text, int length);
  // Keeps an exception from a reader's event until expat has returned.
  void Fail(std::exception_ptr error);
  // Refuses the document at a place of the source found before expat ran.
  int Refuse(const char16_t* path, int code, uint32_t line, uint32_t column,
             const std::string& what);

  bool m_used = false;
  // The text of the XML_Parse call under way, and how many units the calls
  // before it handed over, for CurrentMarkup.
  const char16_t* m_input = nullptr;
  size_t m_inputLength = 0;
  uint64_t m_inputStart = 0;
  // Open elements, and how many of them the document may have (the wrapper
  // element of ParseFile is not the document's).
  int m_depth = 0;
  int m_maxDepth = 0;
  bool m_tooDeep = false;
  std::exception_ptr m_eventError;
  int m_errorCode = 0;
  uint32_t m_errorLine = 0;
  uint32_t m_errorColumn = 0;
  CString m_errorText;
};
