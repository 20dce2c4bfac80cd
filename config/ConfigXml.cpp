#include "config/ConfigXml.h"

#include <string>
#include <string_view>

#include "foundation/CZorbXmlObject.h"
#include "platform/widechar/WideChar.h"

namespace cfgxml {

void AppendIndent(CString& out, int level) {
  for (int i = 0; i < level; ++i) out += u'\t';
}

void AppendAttribute(CString& out, const char16_t* name, const CString& value) {
  if (value.GetLength() > 0) AppendAttributeAlways(out, name, value);
}

void AppendAttributeAlways(CString& out, const char16_t* name, const CString& value) {
  out += u' ';
  out += name;
  out += u"=\"";
  out += value;
  out += u'"';
}

void AppendElement(const CZorbXmlObject& node, const CString& tag, const CString& attributes,
                   int level, CString& out) {
  if (node.m_children.empty() && node.m_emptyForm != CZorbXmlObject::EmptyForm::kUnread) {
    AppendEmptyElement(node, tag, attributes, level, out);
    return;
  }
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  out += u'>';
  out += kCR;
  node.BuildInnerXml(level, out);
  AppendIndent(out, level);
  out += u"</";
  out += tag;
  out += u'>';
  out += kCR;
}

void AppendEmptyElement(const CString& tag, const CString& attributes, int level, CString& out) {
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  out += u" />";
  out += kCR;
}

void AppendEmptyElement(const CZorbXmlObject& node, const CString& tag, const CString& attributes,
                        int level, CString& out) {
  AppendIndent(out, level);
  out += u'<';
  out += tag;
  out += attributes;
  AppendEmptyEnd(node.m_emptyForm, tag, out);
  out += kCR;
}

void AppendEmptyEnd(CZorbXmlObject::EmptyForm form, const CString& tag, CString& out) {
  switch (form) {
    case CZorbXmlObject::EmptyForm::kTight:
      out += u"/>";
      break;
    case CZorbXmlObject::EmptyForm::kPair:
      out += u"></";
      out += tag;
      out += u'>';
      break;
    case CZorbXmlObject::EmptyForm::kUnread:
    case CZorbXmlObject::EmptyForm::kSpaced:
      out += u" />";
      break;
  }
}

void AppendLocale(CString& out, const CString& locale) {
  AppendAttribute(out, u"xml:lang", locale);
}

CString IdAttributes(const CString& id, const CString& locale) {
  CString attributes;
  AppendAttributeAlways(attributes, u"id", id);
  AppendLocale(attributes, locale);
  return attributes;
}

bool LocaleMatches(const CString& own, const CString& wanted) {
  return wanted.GetLength() == 0 || own.GetLength() == 0 || own.CompareNoCase(wanted) == 0;
}

const char16_t* PositionName(int32_t position) {
  switch (position) {
    case 1:
      return u"insertBefore";
    case 2:
      return u"insertAfter";
    case 3:
      return u"prependTo";
    default:
      return u"appendTo";
  }
}

bool EqualsNoCase(const CString& a, const char16_t* b) {
  return a.CompareNoCase(b ? b : u"") == 0;
}

bool NameIs(const char16_t* name, const char16_t* expected) {
  if (!name) name = u"";
  if (!expected) expected = u"";
  // Unit by unit as wcsicmp folds them; two ASCII units differ only in the
  // case of a letter, which needs no table (beyond ASCII, folding can land
  // in ASCII, so those go through it).
  for (;; ++name, ++expected) {
    const char16_t a = *name;
    const char16_t b = *expected;
    if (a == b) {
      if (a == 0) return true;
      continue;
    }
    if (a < 0x80 && b < 0x80) {
      const char16_t lower = a | 0x20;
      if (lower != (b | 0x20) || lower < u'a' || lower > u'z') return false;
      continue;
    }
    if (platform::towlower(a) != platform::towlower(b)) return false;
  }
}

bool HasTag(const CZorbXmlObject* node, const char16_t* tag) {
  if (!node) return false;
  CString nodeTag;
  node->GetTag(nodeTag);
  return EqualsNoCase(nodeTag, tag);
}

namespace {

bool NeedsKey(const CString& text) {
  return text.FindOneOf(u"\"<&") >= 0;
}

// Ids as a host file gives them back, whichever family wrote them.
CString IdKey(const CString& id) {
  CString key(id);
  key.Replace(u"&quot;", u"'");
  key.Replace(u'"', u'\'');
  key.Replace(u"<", u"&lt;");
  return key;
}

bool IsBlankOrTab(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

}  // namespace

bool SameId(const CString& nodeId, const CString& wanted) {
  if (wanted.GetLength() == 0) return false;
  if (!NeedsKey(nodeId) && !NeedsKey(wanted)) return nodeId.CompareNoCase(wanted) == 0;
  return IdKey(nodeId).CompareNoCase(IdKey(wanted)) == 0;
}

CString MenusValue(const CString& value) {
  if (value.FindOneOf(u"\"<") < 0 && value.Find(u"dynamic") < 0) return value;
  static constexpr std::u16string_view kWord = u"dynamic";
  static constexpr std::u16string_view kCommentOpen = u"<!--'";
  const std::u16string_view in(value.Get(), static_cast<size_t>(value.GetLength()));
  std::u16string out;
  out.reserve(in.size() + 16);
  for (size_t i = 0; i < in.size(); ++i) {
    const char16_t ch = in[i];
    if (ch == u'"') {
      out += u'\'';
    } else if (ch == u'<') {
      const bool script = i + 1 < in.size() && in[i + 1] == u'%';
      const bool plus = i > 0 && in[i - 1] == u'+';
      const bool quotedComment = i > 0 && in[i - 1] == u'\'' && in.substr(i, 5) == kCommentOpen;
      if (script || plus || quotedComment)
        out += ch;
      else
        out += u"&lt;";
    } else if (IsBlankOrTab(ch) && in.substr(i + 1, kWord.size()) == kWord &&
               i + 1 + kWord.size() < in.size() && IsBlankOrTab(in[i + 1 + kWord.size()])) {
      out += ch == u' ' ? u"&#32;" : u"&#9;";
    } else {
      out += ch;
    }
  }
  return CString(out.data(), static_cast<uint32_t>(out.size()));
}

CString CommentText(const CString& text) {
  if (text.Find(u"--") < 0) return text;
  CString out(text);
  // "---" gives "- --" after one pass: go on until none is left.
  while (out.Find(u"--") >= 0) out.Replace(u"--", u"- -");
  return out;
}

bool SameComment(const CString& a, const CString& b) {
  if (a == b) return true;
  return CommentText(a) == CommentText(b);
}

CString Trimmed(const char16_t* text, size_t length) {
  if (!text) return CString();
  const char16_t* begin = text;
  const char16_t* end = text + length;
  while (begin < end && platform::iswspace(*begin)) ++begin;
  while (end > begin && platform::iswspace(end[-1])) --end;
  // A count of 0 would mean "up to the terminator".
  if (begin == end) return CString();
  return CString(begin, static_cast<uint32_t>(end - begin));
}

void Trim(CString& text) {
  text.TrimLeft();
  text.TrimRight();
}

bool MarkupCollector::Take(const char16_t* text, int length, CString& markup) {
  static constexpr char16_t kParserDeclaration[] = u"<?xml  version='1.0'  encoding='utf-8'  ?>";
  if (!text || length <= 0) return false;
  const CString trimmed = Trimmed(text, static_cast<size_t>(length));
  if (trimmed.GetLength() == 0) {
    // White space inside a declaration is part of it; between two, not.
    if (pending.GetLength() > 0) pending.Append(text, static_cast<uint32_t>(length));
    return false;
  }
  if (pending.GetLength() == 0 && trimmed == kParserDeclaration) return false;
  if (trimmed == u"[") ++depth;
  if (trimmed == u"]" && depth > 0) --depth;
  pending.Append(text, static_cast<uint32_t>(length));
  if (depth > 0 || trimmed.GetAt(trimmed.GetLength() - 1) != u'>') return false;
  markup = pending;
  Trim(markup);
  markup.Replace(u"\r\n", u"\r");
  markup.Replace(u'\n', u'\r');
  pending.Empty();
  return true;
}

CZorbXmlObject* DeepClone(const CZorbXmlObject* node) {
  if (!node) return nullptr;
  CZorbXmlObject* copy = node->Clone();
  if (copy && copy->m_children.empty())
    for (const CZorbXmlObject* child : node->m_children)
      if (CZorbXmlObject* childCopy = DeepClone(child)) copy->m_children.push_back(childCopy);
  return copy;
}

bool IsTrueValue(const char16_t* value) {
  if (!value) return false;
  switch (value[0]) {
    case u'1':
    case u'Y':
    case u'y':
    case u'T':
    case u't':
      return true;
    default:
      return false;
  }
}

}  // namespace cfgxml
