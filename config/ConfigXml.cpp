#include "config/ConfigXml.h"

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

bool HasTag(const CZorbXmlObject* node, const char16_t* tag) {
  if (!node) return false;
  CString nodeTag;
  node->GetTag(nodeTag);
  return EqualsNoCase(nodeTag, tag);
}

bool SameId(const CString& nodeId, const CString& wanted) {
  return wanted.GetLength() > 0 && nodeId.CompareNoCase(wanted) == 0;
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

bool TakeMarkup(const char16_t* text, int length, CString& pending, CString& markup) {
  static constexpr char16_t kParserDeclaration[] = u"<?xml  version='1.0'  encoding='utf-8'  ?>";
  if (!text || length <= 0) return false;
  const CString piece = Trimmed(text, static_cast<size_t>(length));
  if (piece.GetLength() == 0 || piece == kParserDeclaration) return false;
  pending += piece;
  pending += u' ';
  if (piece.GetAt(piece.GetLength() - 1) != u'>') return false;
  markup = pending;
  pending.Empty();
  return true;
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
