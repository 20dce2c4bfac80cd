#include "config/CZorbGenericXMLParser.h"

#include <string_view>

#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbXmlCommentElement.h"
#include "config/ConfigXml.h"
#include "foundation/CZorbXmlObject.h"
#include "platform/widechar/WideChar.h"

namespace {

bool IsCommentElement(const char16_t* name) {
  return cfgxml::EqualsNoCase(CString(name), u"comment");
}

// The first position of needle in [text, text + length), or length.
int FindIn(const char16_t* text, int length, const char16_t* needle, int needleLength) {
  for (int i = 0; i + needleLength <= length; ++i) {
    int j = 0;
    while (j < needleLength && text[i + j] == needle[j]) ++j;
    if (j == needleLength) return i;
  }
  return length;
}

// Expat hands comments and other markup over raw, with the escapes of the
// line pass still in them: this gives back the source's own text.
void RestoreRawText(CString& text) {
  text.Replace(u"&amp;", u"&");
}

}  // namespace

CZorbGenericXMLParser::CZorbGenericXMLParser(CZorbGenericXmlFile* file) : m_file(file) {}

CZorbGenericXMLParser::~CZorbGenericXMLParser() = default;

CZorbXmlObject* CZorbGenericXMLParser::Top() const {
  if (!m_file || m_file->m_openElements.empty()) return nullptr;
  return m_file->m_openElements.back();
}

int CZorbGenericXMLParser::OnPreProcessLine(CString& line) const {
  // Apostrophes are left alone: escaped, they could no longer delimit an
  // attribute value, and expat reads them alike everywhere else.
  line.Replace(u"&", u"&amp;");
  return 0;
}

const char16_t* CZorbGenericXMLParser::GetValue() {
  const char16_t* value = CZorbXMLParser::GetValue();
  if (!value) return nullptr;
  m_convertBuffer = value;
  m_convertBuffer.Replace(u'"', u'\'');
  return m_convertBuffer.Get() ? m_convertBuffer.Get() : u"";
}

void CZorbGenericXMLParser::OnElementStart(const char16_t* name, const char16_t** attrs) {
  if (m_file && name) {
    CZorbXmlObject* top = Top();
    if (!IsCommentElement(name)) {
      auto* node = new CZorbXmlObject(name);
      for (const char16_t* attr = GetFirstAttr(attrs); attr; attr = GetNextAttr())
        node->SetAttribute(attr, GetValue());
      // An empty-element tag: with or without white space before "/>".
      const std::u16string_view tag = CurrentMarkup();
      if (tag.size() >= 3 && tag.substr(tag.size() - 2) == u"/>")
        NoteEmptyForm(*node, platform::iswspace(tag[tag.size() - 3])
                                 ? CZorbXmlObject::EmptyForm::kSpaced
                                 : CZorbXmlObject::EmptyForm::kTight);
      if (top) {
        top->m_children.push_back(node);
        m_file->m_openElements.push_back(node);
      } else {
        delete node;
      }
    } else if (top) {
      auto* comment = new CZorbXmlCommentElement();
      top->m_children.push_back(comment);
      m_file->m_openElements.push_back(comment);
      m_inComment = true;
    }
  }
  m_cdataCount = 0;
  m_pendingSpace.Empty();
}

void CZorbGenericXMLParser::OnElementEnd(const char16_t* name) {
  m_pendingSpace.Empty();
  if (!m_file || !name) return;
  auto& stack = m_file->m_openElements;
  // The file itself stays at the bottom.
  if (stack.size() <= 1) return;
  if (IsCommentElement(name)) {
    m_inComment = false;
    stack.pop_back();
    return;
  }
  CZorbXmlObject* top = stack.back();
  if (!cfgxml::HasTag(top, name)) return;
  stack.pop_back();
  if (m_cdataCount > 0)
    top->m_hasEndTag = true;
  else if (top->m_children.empty() && top->m_text.GetLength() == 0 && !CurrentMarkup().empty())
    NoteEmptyForm(*top, CZorbXmlObject::EmptyForm::kPair);  // an end tag right after the start
}

void CZorbGenericXMLParser::NoteEmptyForm(CZorbXmlObject& node, CZorbXmlObject::EmptyForm form) {
  node.m_emptyForm = form;
  if (m_firstEmptyForm == CZorbXmlObject::EmptyForm::kUnread &&
      form != CZorbXmlObject::EmptyForm::kPair)
    m_firstEmptyForm = form;
}

void CZorbGenericXMLParser::OnCData(const char16_t* text, int length) {
  ++m_cdataCount;
  if (!m_file || !text || length <= 0) return;
  CZorbXmlObject* top = Top();
  if (!top) return;
  if (m_inComment) {
    auto* comment = dynamic_cast<CZorbXmlComment*>(top);
    if (!comment) return;
    const int cut = FindIn(text, length, u"</", 2);
    if (cut > 0) comment->m_comment.Append(text, static_cast<uint32_t>(cut));
    return;
  }
  if (m_inCData) {
    const int cut = FindIn(text, length, u"]]>", 3);
    if (cut <= 0) return;
    if (top->m_text.GetLength() > 0) top->m_text += m_pendingSpace;
    m_pendingSpace.Empty();
    top->m_text.Append(text, static_cast<uint32_t>(cut));
    top->m_isCData = true;
    return;
  }
  // Expat splits character data at line ends and at every reference, so
  // the pieces are not trimmed one by one (that would glue "a & b" into
  // "a&b"): only the white space at either end of the whole text goes.
  const char16_t* begin = text;
  const char16_t* end = text + length;
  while (begin < end && platform::iswspace(*begin)) ++begin;
  if (begin == end) {
    m_pendingSpace.Append(text, static_cast<uint32_t>(length));
    return;
  }
  const char16_t* coreEnd = end;
  while (coreEnd > begin && platform::iswspace(coreEnd[-1])) --coreEnd;
  if (top->m_text.GetLength() > 0) {
    top->m_text += m_pendingSpace;
    if (begin > text) top->m_text.Append(text, static_cast<uint32_t>(begin - text));
  }
  top->m_text.Append(begin, static_cast<uint32_t>(coreEnd - begin));
  m_pendingSpace.Empty();
  if (coreEnd < end) m_pendingSpace.Append(coreEnd, static_cast<uint32_t>(end - coreEnd));
  top->m_isCData = false;
}

void CZorbGenericXMLParser::OnCDataSectionStart() {
  m_inCData = true;
}

void CZorbGenericXMLParser::OnCDataSectionEnd() {
  m_inCData = false;
}

void CZorbGenericXMLParser::OnComment(const char16_t* text) {
  if (!m_file) return;
  CZorbXmlObject* parent = Top();
  if (!parent) parent = m_file;
  auto* comment = new CZorbXmlComment(text);
  cfgxml::Trim(comment->m_comment);
  RestoreRawText(comment->m_comment);
  parent->m_children.push_back(comment);
}

void CZorbGenericXMLParser::OnDefault(const char16_t* text, int length) {
  if (!m_file) return;
  CString markup;
  if (!m_markup.Take(text, length, markup)) return;
  RestoreRawText(markup);
  if (CZorbXmlObject* top = Top()) top->m_children.push_back(new CZorbXmlMisc(markup.Get()));
}
