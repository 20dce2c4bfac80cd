#include "foundation/CZorbXmlObject.h"

#include <algorithm>
#include <exception>
#include <typeinfo>
#include <utility>
#include <vector>

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

using NodeList = CZorbTypedList<CZorbXmlObject*>;

// Plain nodes are freed, copied and written here, one level at a time from a
// work list; the other kinds (the model classes) do it through their own
// virtual members, and only they can make the stack deeper.
bool IsPlain(const CZorbXmlObject* node) {
  return typeid(*node) == typeid(CZorbXmlObject);
}

// Deletes the nodes and everything below them without recursion: each
// node's children are taken over before the node is deleted.
void FreeNodes(NodeList& nodes) {
  NodeList pending;
  pending.swap(nodes);
  while (!pending.empty()) {
    CZorbXmlObject* node = pending.front();
    pending.pop_front();
    if (!node) continue;
    pending.splice(pending.end(), node->m_children);
    delete node;
  }
}

// A node's own part: tag, attributes (those with a name), text and flags.
void CopyOwnPart(const CZorbXmlObject& from, CZorbXmlObject& to) {
  for (const auto& [name, value] : from.m_attributes)
    if (!name.empty()) to.m_attributes.emplace_hint(to.m_attributes.end(), name, value);
  to.m_tag = from.m_tag;
  to.m_text = from.m_text;
  to.m_isCData = from.m_isCData;
  to.m_hasEndTag = from.m_hasEndTag;
  to.m_emptyForm = from.m_emptyForm;
}

// Appends copies of source's children, and of everything below them, to out.
void CopyChildren(const CZorbXmlObject& source, NodeList& out) {
  struct Pending {
    const CZorbXmlObject* source;
    NodeList* into;
  };
  NodeList made;
  try {
    std::vector<Pending> work{{&source, &made}};
    while (!work.empty()) {
      const Pending next = work.back();
      work.pop_back();
      for (const CZorbXmlObject* child : next.source->m_children) {
        if (!child) continue;
        if (!IsPlain(child)) {
          if (CZorbXmlObject* copy = child->Clone()) next.into->push_back(copy);
          continue;
        }
        auto* copy = new CZorbXmlObject();
        next.into->push_back(copy);
        CopyOwnPart(*child, *copy);
        work.push_back({child, &copy->m_children});
      }
    }
  } catch (...) {
    FreeNodes(made);
    throw;
  }
  out.splice(out.end(), made);
}

// The start of the element up to its content: false when it closes at once
// (nothing inside), else the content follows.
bool WriteStart(const CZorbXmlObject& node, int level, CString& out) {
  CString tag;
  node.GetTag(tag);
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  for (const auto& [name, value] : node.m_attributes) {
    out += u' ';
    if (!name.empty()) out.Append(name.c_str(), static_cast<uint32_t>(name.size()));
    out += u"=\"";
    AppendEncoded(value.data(), value.size(), out);
    out += u'"';
  }

  const bool hasText = node.m_text.GetLength() > 0;
  if (!hasText && node.m_children.empty() && !node.m_hasEndTag) {
    out += u" />";
    out += kCR;
    return false;
  }

  out += u'>';
  if (hasText) {
    if (node.m_isCData) {
      out += kCR;
      AppendIndent(out, level + 1);
      out += u"<![CDATA[";
    }
    out += node.m_text;
    if (node.m_isCData) {
      out += u"]]>";
      out += kCR;
      AppendIndent(out, level);
    }
  } else {
    out += kCR;
  }
  return true;
}

void WriteEnd(const CZorbXmlObject& node, int level, CString& out) {
  CString tag;
  node.GetTag(tag);
  if (node.m_text.GetLength() == 0) AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u'>';
  out += kCR;
}

// Each child of parent written at level + 1.
void WriteChildren(const CZorbXmlObject& parent, int level, CString& out) {
  struct Open {
    const CZorbXmlObject* node;
    NodeList::const_iterator next;
    int level;
  };
  std::vector<Open> open{{&parent, parent.m_children.begin(), level}};
  while (!open.empty()) {
    Open& top = open.back();
    if (top.next == top.node->m_children.end()) {
      if (open.size() > 1) WriteEnd(*top.node, top.level, out);
      open.pop_back();
      continue;
    }
    const CZorbXmlObject* child = *top.next++;
    const int childLevel = top.level + 1;
    if (!child) continue;
    if (!IsPlain(child)) {
      child->BuildXml(childLevel, out);
    } else if (WriteStart(*child, childLevel, out)) {
      open.push_back({child, child->m_children.begin(), childLevel});
    }
  }
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
  NodeList children;
  CopyChildren(other, children);
  CZorbXmlObject own;
  try {
    CopyOwnPart(other, own);
  } catch (...) {
    FreeNodes(children);
    throw;
  }

  DeleteChildren();
  m_children.swap(children);
  m_openElements.clear();
  m_attributes.swap(own.m_attributes);
  m_tag = own.m_tag;
  m_text = own.m_text;
  m_isCData = own.m_isCData;
  m_hasEndTag = own.m_hasEndTag;
  m_emptyForm = own.m_emptyForm;
  return *this;
}

CZorbXmlObject::~CZorbXmlObject() {
  DeleteChildren();
}

void CZorbXmlObject::DeleteChildren() {
  // Unlink first so a child's destructor never sees a half-deleted parent.
  NodeList children;
  children.swap(m_children);
  FreeNodes(children);
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
  if (!WriteStart(*this, level, out)) return;
  WriteChildren(*this, level, out);
  WriteEnd(*this, level, out);
}

void CZorbXmlObject::BuildInnerXml(int level, CString& out) const {
  WriteChildren(*this, level, out);
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
  // Pre-order: a child, then its subtree, then its next sibling.
  std::vector<std::pair<NodeList::const_iterator, NodeList::const_iterator>> open{
      {m_children.begin(), m_children.end()}};
  while (!open.empty()) {
    auto& [next, end] = open.back();
    if (next == end) {
      open.pop_back();
      continue;
    }
    CZorbXmlObject* child = *next++;
    if (!child) continue;
    child->GetTag(tag);
    if (tag.CompareNoCase(name) == 0) return child;
    if (!child->m_children.empty())
      open.emplace_back(child->m_children.begin(), child->m_children.end());
  }
  return nullptr;
}

bool CZorbXmlObject::IsNestedDeeperThan(int levels) const {
  std::vector<std::pair<const CZorbXmlObject*, int>> pending{{this, 0}};
  while (!pending.empty()) {
    const auto [node, depth] = pending.back();
    pending.pop_back();
    if (depth > levels) return true;
    for (const CZorbXmlObject* child : node->m_children)
      if (child) pending.emplace_back(child, depth + 1);
  }
  return false;
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
  // The node itself is the first level.
  if (IsNestedDeeperThan(kMaxDepth - 1)) return CZorbXmlFile::RefuseSave(path, "too deep");
  CString text;
  try {
    BuildXml(0, text);
  } catch (const std::exception& error) {
    return CZorbXmlFile::RefuseSave(path, error.what());
  }
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
