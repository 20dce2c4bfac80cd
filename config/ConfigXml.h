#pragma once

#include <cstddef>

#include "foundation/CString.h"

class CZorbXmlObject;

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

bool EqualsNoCase(const CString& a, const char16_t* b);
// The node's tag (its virtual GetTag) equals tag ignoring case; false for null.
bool HasTag(const CZorbXmlObject* node, const char16_t* tag);
// An id lookup matches only a non-empty id: an empty id finds nothing.
bool SameId(const CString& nodeId, const CString& wanted);

// The units [text, text + length) without white space at either end.
CString Trimmed(const char16_t* text, size_t length);
void Trim(CString& text);
// A boolean attribute: true when its first unit is one of "1YyTt".
bool IsTrueValue(const char16_t* value);

}  // namespace cfgxml
