#include "foundation/CZorbXmlObject.h"

#include <algorithm>

#include "foundation/CZorbXmlFile.h"

namespace {

constexpr char16_t kCR = u'\r';

void AppendIndent(CString& out, int level) {
  for (int i = 0; i < level; ++i) out += u'\t';
}

// Appends p with <, >, " and ' replaced by their entities. One pass gives the
// same text as replacing them in turn: no replacement brings in a character
// that a later one would replace.
void AppendEncoded(const char16_t* p, size_t n, CString& out) {
  size_t runStart = 0;
  for (size_t i = 0; i < n; ++i) {
    const char16_t* entity = nullptr;
    switch (p[i]) {
      case u'<':
        entity = u"&lt;";
        break;
      case u'>':
        entity = u"&gt;";
        break;
      case u'"':
        entity = u"&quot;";
        break;
      case u'\'':
        entity = u"&apos;";
        break;
      default:
        continue;
    }
    if (i > runStart) out.Append(p + runStart, static_cast<uint32_t>(i - runStart));
    out += entity;
    runStart = i + 1;
  }
  if (n > runStart) out.Append(p + runStart, static_cast<uint32_t>(n - runStart));
}

}  // namespace

// ---------------------------------------------------------------------------
// CZorbXmlObject

CZorbXmlObject::CZorbXmlObject() = default;

CZorbXmlObject::CZorbXmlObject(const char16_t* tag) : m_tag(tag) {}

CZorbXmlObject::CZorbXmlObject(const CZorbXmlObject& other) : CZorbXmlObject() {
  *this = other;
}

CZorbXmlObject& CZorbXmlObject::operator=(const CZorbXmlObject& other) {
  if (this == &other) return *this;
  // Copy everything before deleting the old children: other may be one of
  // them, or lie below one.
  CZorbTypedList<CZorbXmlObject*> children;
  for (const CZorbXmlObject* child : other.m_children) {
    if (!child) continue;
    if (CZorbXmlObject* copy = child->Clone()) children.push_back(copy);
  }
  AttributeMap attributes;
  for (const auto& [name, value] : other.m_attributes)
    if (!name.empty()) attributes.emplace_hint(attributes.end(), name, value);
  CString tag(other.m_tag);
  CString text(other.m_text);
  const bool isCData = other.m_isCData;
  const bool hasEndTag = other.m_hasEndTag;

  DeleteChildren();
  m_children.swap(children);
  m_openElements.clear();
  m_attributes.swap(attributes);
  m_tag = tag;
  m_text = text;
  m_isCData = isCData;
  m_hasEndTag = hasEndTag;
  return *this;
}

CZorbXmlObject::~CZorbXmlObject() {
  DeleteChildren();
}

void CZorbXmlObject::DeleteChildren() {
  // Unlink first so a child's destructor never sees a half-deleted parent.
  CZorbTypedList<CZorbXmlObject*> children;
  children.swap(m_children);
  for (CZorbXmlObject* child : children) delete child;
}

CZorbXmlObject* CZorbXmlObject::Clone() const {
  return new CZorbXmlObject(*this);
}

void CZorbXmlObject::GetTag(CString& tag) const {
  tag = m_tag;
}

bool CZorbXmlObject::filterByLocale(const CString&) const {
  return true;
}

void CZorbXmlObject::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);

  AppendIndent(out, level);
  out += u'<';
  out += tag;
  for (const auto& [name, value] : m_attributes) {
    out += u' ';
    if (!name.empty()) out.Append(name.c_str(), static_cast<uint32_t>(name.size()));
    out += u"=\"";
    AppendEncoded(value.data(), value.size(), out);
    out += u'"';
  }

  const bool hasText = m_text.GetLength() > 0;
  if (!hasText && m_children.empty() && !m_hasEndTag) {
    out += u" />";
    out += kCR;
    return;
  }

  out += u'>';
  if (hasText) {
    if (m_isCData) {
      out += kCR;
      AppendIndent(out, level + 1);
      out += u"<![CDATA[";
    }
    out += m_text;
    if (m_isCData) {
      out += u"]]>";
      out += kCR;
      AppendIndent(out, level);
    }
  } else {
    out += kCR;
  }

  BuildInnerXml(level, out);

  if (!hasText) AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u'>';
  out += kCR;
}

void CZorbXmlObject::BuildInnerXml(int level, CString& out) const {
  for (const CZorbXmlObject* child : m_children)
    if (child) child->BuildXml(level + 1, out);
}

void CZorbXmlObject::SetAttribute(const char16_t* name, const char16_t* value) {
  if (!name) return;
  m_attributes.SetAt(std::u16string(name), value ? std::u16string(value) : std::u16string());
}

bool CZorbXmlObject::GetAttribute(const char16_t* name, CString& value) const {
  if (name) {
    auto it = m_attributes.find(std::u16string(name));
    if (it != m_attributes.end()) {
      value = it->second.c_str();
      return true;
    }
  }
  value.Empty();
  return false;
}

CZorbXmlObject* CZorbXmlObject::FindTag(const char16_t* name) const {
  if (!name) return nullptr;
  CString tag;
  for (CZorbXmlObject* child : m_children) {
    if (!child) continue;
    child->GetTag(tag);
    if (tag.CompareNoCase(name) == 0) return child;
    if (CZorbXmlObject* found = child->FindTag(name)) return found;
  }
  return nullptr;
}

CZorbXmlComment* CZorbXmlObject::FindComment(const char16_t* text) const {
  CString tag;
  for (CZorbXmlObject* child : m_children) {
    if (!child) continue;
    child->GetTag(tag);
    if (tag != u"comment") continue;
    auto* comment = dynamic_cast<CZorbXmlComment*>(child);
    if (comment && comment->m_comment.CompareNoCase(text ? text : u"") == 0) return comment;
  }
  return nullptr;
}

bool CZorbXmlObject::ContainsNonComments() const {
  return std::any_of(m_children.begin(), m_children.end(), [](const CZorbXmlObject* child) {
    return child && dynamic_cast<const CZorbXmlComment*>(child) == nullptr;
  });
}

void CZorbXmlObject::InsertObjectBefore(CZorbXmlObject* child, CZorbXmlObject* sibling) {
  if (!sibling) {
    m_children.push_front(child);
    return;
  }
  m_children.InsertBefore(child, sibling);
}

void CZorbXmlObject::InsertObjectAfter(CZorbXmlObject* child, CZorbXmlObject* sibling) {
  if (!sibling) {
    m_children.push_back(child);
    return;
  }
  m_children.InsertAfter(child, sibling);
}

void CZorbXmlObject::HtmlEntityEncode(const CString& in, CString& out) const {
  if (&in == &out) {
    const CString copy(in);
    HtmlEntityEncode(copy, out);
    return;
  }
  out.Empty();
  if (in.Get()) AppendEncoded(in.Get(), static_cast<size_t>(in.GetLength()), out);
}

int CZorbXmlObject::Save(const char16_t* path, uint32_t encoding) const {
  if (!path) return -1;
  CString text;
  BuildXml(0, text);
  return CZorbXmlFile::WriteDocument(path, text, encoding);
}

// ---------------------------------------------------------------------------
// CZorbXmlComment

CZorbXmlComment::CZorbXmlComment() = default;

CZorbXmlComment::CZorbXmlComment(const char16_t* text) : m_comment(text) {}

CZorbXmlComment::CZorbXmlComment(const CZorbXmlComment& other)
    : CZorbXmlObject(), m_comment(other.m_comment) {}

CZorbXmlComment& CZorbXmlComment::operator=(const CZorbXmlComment& other) {
  m_comment = other.m_comment;
  return *this;
}

CZorbXmlComment::~CZorbXmlComment() = default;

CZorbXmlObject* CZorbXmlComment::Clone() const {
  return new CZorbXmlComment(*this);
}

void CZorbXmlComment::GetTag(CString& tag) const {
  tag = u"comment";
}

void CZorbXmlComment::BuildXml(int level, CString& out) const {
  AppendIndent(out, level);
  out += u"<!-- ";
  out += m_comment;
  out += u" -->";
  out += kCR;
}

// ---------------------------------------------------------------------------
// CZorbXmlMisc

CZorbXmlMisc::CZorbXmlMisc() = default;

CZorbXmlMisc::CZorbXmlMisc(const char16_t* markup) : m_markup(markup) {}

CZorbXmlMisc::CZorbXmlMisc(const CZorbXmlMisc& other)
    : CZorbXmlObject(), m_markup(other.m_markup) {}

CZorbXmlMisc& CZorbXmlMisc::operator=(const CZorbXmlMisc& other) {
  m_markup = other.m_markup;
  return *this;
}

CZorbXmlMisc::~CZorbXmlMisc() = default;

CZorbXmlObject* CZorbXmlMisc::Clone() const {
  return new CZorbXmlMisc(*this);
}

void CZorbXmlMisc::GetTag(CString& tag) const {
  tag = u"misc";
}

void CZorbXmlMisc::BuildXml(int level, CString& out) const {
  AppendIndent(out, level);
  out += m_markup;
  out += kCR;
}
