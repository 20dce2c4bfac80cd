#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// Small helpers shared by the node, change and file classes of host
// configuration editing: how they write their element lines, and how they
// compare tags and ids.
namespace cfgxml {

constexpr char16_t kCR = u'\r';

void AppendIndent(CString& out, int level);
// Appends ` name="value"` when value is not empty; the value is written as it
// stands (the nodes never escape).
void AppendAttribute(CString& out, const char16_t* name, const CString& value);
// The same, also for an empty value.
void AppendAttributeAlways(CString& out, const char16_t* name, const CString& value);
// An element with its children: level tabs, "<" tag, the attributes already
// formatted, ">", the node's children one level deeper, then the end tag at
// level. Lines end with a carriage return. A node that a reader found
// empty and that is still without children is written as it was read
// (see the next).
void AppendElement(const CZorbXmlObject& node, const CString& tag, const CString& attributes,
                   int level, CString& out);
// An element without children: level tabs, "<" tag, the attributes already
// formatted, " />" and a carriage return.
void AppendEmptyElement(const CString& tag, const CString& attributes, int level, CString& out);
// The same in the form the node was read in ("/>", " />" or a start tag
// right before its end tag), so a host's file keeps its bytes; " />" for a
// node no reader made.
void AppendEmptyElement(const CZorbXmlObject& node, const CString& tag, const CString& attributes,
                        int level, CString& out);
// The end of an empty element in that form: "/>", " />" or "></" tag ">".
void AppendEmptyEnd(CZorbXmlObject::EmptyForm form, const CString& tag, CString& out);
// ` xml:lang="locale"` when locale is not empty.
void AppendLocale(CString& out, const CString& locale);
// ` id="id"` (also for an empty id) and the locale: how a change that names
// its target by id writes its attributes.
CString IdAttributes(const CString& id, const CString& locale);
// A change with the locale own serves wanted when either is empty or the
// two are equal ignoring case.
bool LocaleMatches(const CString& own, const CString& wanted);
// The attribute that names an insert's place: "insertBefore" (1),
// "insertAfter" (2), "prependTo" (3), else "appendTo".
const char16_t* PositionName(int32_t position);

bool EqualsNoCase(const CString& a, const char16_t* b);
// The same for a raw name (null is the empty text), without copying it.
bool NameIs(const char16_t* name, const char16_t* expected);
// The node's tag (its virtual GetTag) equals tag ignoring case; false for null.
bool HasTag(const CZorbXmlObject* node, const char16_t* tag);
// An id lookup matches only a non-empty id: an empty id finds nothing. Ids
// compare ignoring case and as a host file holds them once written and
// read again (a double quote as an apostrophe, "<" as "&lt;"), so a node
// an extension brought is found again after the file was saved.
bool SameId(const CString& nodeId, const CString& wanted);

// An attribute value as a menus file must hold it to load again: a double
// quote becomes an apostrophe; "<" is written "&lt;" except where the
// reader's own line pass takes it ("<%", "+<", "'<!--'"); a word dynamic
// between blanks or tabs keeps the blank before it as "&#32;" (a tab as
// "&#9;"), which the reader would otherwise turn into an attribute. Values
// read from a menus file come out unchanged.
CString MenusValue(const CString& value);
// A comment's text as it can stand between "<!-- " and " -->": every "--"
// becomes "- -". Comment lookups compare texts in this form.
CString CommentText(const CString& text);
bool SameComment(const CString& a, const CString& b);

// The units [text, text + length) without white space at either end.
CString Trimmed(const char16_t* text, size_t length);
void Trim(CString& text);
// Collects markup that the reader hands over in pieces (expat gives a
// document-type declaration token by token). The pieces are joined as they
// stand, so the markup is written back as it was read (its line ends as
// carriage returns); white space between two markups is dropped, and so is
// the declaration that the parser puts in front of every document. Once a
// piece ends with ">" outside an internal subset ("[" ... "]", counted in
// depth), markup takes the whole of pending, which is emptied, and the
// result is true.
struct MarkupCollector {
  CString pending;
  int depth = 0;
  bool Take(const char16_t* text, int length, CString& markup);
};
// A copy of node with its whole subtree (the copies of menu nodes carry no
// children of their own); null for null.
CZorbXmlObject* DeepClone(const CZorbXmlObject* node);

// A boolean attribute: true when its first unit is one of "1YyTt".
bool IsTrueValue(const char16_t* value);

}  // namespace cfgxml
