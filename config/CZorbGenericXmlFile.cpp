#include "config/CZorbGenericXmlFile.h"

#include <typeinfo>

#include "config/CZorbExtensionButton.h"
#include "config/CZorbGenericXMLParser.h"
#include "config/CZorbXmlCommentElement.h"
#include "config/ConfigXml.h"

namespace {

// An attribute value written so that the file loads again and a value read
// from it comes back unchanged: only "<" and the double quote are escaped
// ("&", ">" and "'" stand bare in these files).
void AppendValue(CString& out, const char16_t* name, size_t nameLength, const CString& value) {
  out += u' ';
  out.Append(name, static_cast<uint32_t>(nameLength));
  out += u"=\"";
  CString escaped(value);
  escaped.Replace(u"<", u"&lt;");
  escaped.Replace(u"\"", u"&quot;");
  out += escaped;
  out += u'"';
}

using EmptyForm = CZorbXmlObject::EmptyForm;

void Write(const CZorbXmlObject& node, int level, EmptyForm newForm, CString& out);

// An element as the tree's own writer lays it out; texts are kept as they
// were read (CDATA exactly), and what an outside text could bring that
// would not load again is escaped: "<" in a text, "]]>" in a CDATA section.
void WriteElement(const CZorbXmlObject& node, int level, EmptyForm newForm, CString& out) {
  CString tag;
  node.GetTag(tag);
  cfgxml::AppendIndent(out, level);
  out += u'<';
  out += tag;
  if (auto* button = dynamic_cast<const CZorbExtensionButton*>(&node);
      button && button->m_labelResId.GetLength() > 0)
    AppendValue(out, u"resid:label", 11, button->m_labelResId);
  for (const auto& [name, value] : node.m_attributes)
    AppendValue(out, name.c_str(), name.size(), CString(value.c_str()));

  const bool hasText = node.m_text.GetLength() > 0;
  if (!hasText && node.m_children.empty() && !node.m_hasEndTag) {
    cfgxml::AppendEmptyEnd(node.m_emptyForm == EmptyForm::kUnread ? newForm : node.m_emptyForm, tag,
                           out);
    out += cfgxml::kCR;
    return;
  }
  out += u'>';
  if (hasText) {
    CString text(node.m_text);
    if (node.m_isCData) {
      text.Replace(u"]]>", u"]]]]><![CDATA[>");
      out += cfgxml::kCR;
      cfgxml::AppendIndent(out, level + 1);
      out += u"<![CDATA[";
      out += text;
      out += u"]]>";
      out += cfgxml::kCR;
      cfgxml::AppendIndent(out, level);
    } else {
      text.Replace(u"<", u"&lt;");
      out += text;
    }
  } else {
    out += cfgxml::kCR;
  }
  for (const CZorbXmlObject* child : node.m_children)
    if (child) Write(*child, level + 1, newForm, out);
  if (!hasText) cfgxml::AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u'>';
  out += cfgxml::kCR;
}

void Write(const CZorbXmlObject& node, int level, EmptyForm newForm, CString& out) {
  if (dynamic_cast<const CZorbXmlCommentElement*>(&node)) {
    node.BuildXml(level, out);
  } else if (auto* comment = dynamic_cast<const CZorbXmlComment*>(&node)) {
    cfgxml::AppendIndent(out, level);
    out += u"<!-- ";
    out += cfgxml::CommentText(comment->m_comment);
    out += u" -->";
    out += cfgxml::kCR;
  } else if (typeid(node) == typeid(CZorbXmlObject) ||
             typeid(node) == typeid(CZorbExtensionButton)) {
    WriteElement(node, level, newForm, out);
  } else {
    // Markup, and nodes of other kinds, as they write themselves.
    node.BuildXml(level, out);
  }
}

}  // namespace

CZorbGenericXmlFile::CZorbGenericXmlFile() {
  m_openElements.push_back(this);
}

CZorbGenericXmlFile::CZorbGenericXmlFile(const CZorbGenericXmlFile& other)
    : CZorbXmlFile(other),
      m_path(other.m_path),
      m_form(other.m_form),
      m_newEmptyForm(other.m_newEmptyForm),
      m_loadFailed(other.m_loadFailed) {
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
  m_newEmptyForm = EmptyForm::kSpaced;
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
      m_newEmptyForm = parser.m_firstEmptyForm == EmptyForm::kUnread ? EmptyForm::kSpaced
                                                                     : parser.m_firstEmptyForm;
    }
  }
  m_openElements.clear();
  m_openElements.push_back(this);
  // A tree cut short by a syntax error must never be written back.
  m_loadFailed = result != 0;
  if (m_loadFailed) DeleteChildren();
  if (!m_loadFailed) m_form.Read(path);
  return result;
}

int CZorbGenericXmlFile::Save(const char16_t* path) {
  if (!path || m_loadFailed) return -1;
  CZorbString text;
  if (m_xmlDecl.GetLength() > 0) {
    text += m_xmlDecl;
    text += cfgxml::kCR;
  }
  for (const CZorbXmlObject* child : m_children)
    if (child) Write(*child, 0, m_newEmptyForm, text);
  m_form.Apply(text);
  return WriteDocument(path, text, m_encoding, m_form.m_mark);
}
