#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbTypedMap.h"

// The codes the description's elements carry, and how their element lines
// and messages are written.

namespace extcode {

// File types: single bits, so an extension can keep the union of its files'.
constexpr int32_t kFileTypeNone = 0;
constexpr int32_t kFileTypeOrdinary = 1;
constexpr int32_t kFileTypeWbxs = 2;
constexpr int32_t kFileTypePlugin = 4;
constexpr int32_t kFileTypeInvalid = -1;

constexpr int32_t kPlatformNone = 0;
constexpr int32_t kPlatformMac = 1;
constexpr int32_t kPlatformWin = 2;

constexpr int32_t kBitNone = 0;
constexpr int32_t kBit32 = 1;
constexpr int32_t kBit64 = 2;

constexpr int32_t kUpdateMethodNone = 0;
constexpr int32_t kUpdateMethodDirectLink = 1;
constexpr int32_t kUpdateMethodWebService = 2;
constexpr int32_t kUpdateMethodInvalid = -1;

// String table ids of the setters' messages.
constexpr unsigned int kInvalidValueMessage = 4194;  // attribute, element, value, allowed
constexpr unsigned int kEmptyValueMessage = 4199;    // attribute
constexpr unsigned int kNotAnUrlMessage = 4200;      // attribute, element

}  // namespace extcode

namespace extxml {

constexpr char16_t kCR = u'\r';

void AppendIndent(CString& out, int level);
// ` name="value"`, also for an empty value, in the form the description
// reader reads back (kxi::AttributeValue).
void AppendAttributeAlways(CString& out, const char16_t* name, const CString& value);
// The same, only when value is not empty.
void AppendAttribute(CString& out, const char16_t* name, const CString& value);
// ` name="true"` when set.
void AppendTrue(CString& out, const char16_t* name, bool set);
// level tabs, "<" tag, the attributes, " />" and a carriage return.
void AppendEmptyElement(CString& out, int level, const char16_t* tag, const CString& attributes);

// A small list document: at level, the UTF-8 declaration, "<" tag ">", then
// for each list, in order, one "<element>key</element>" line per key of its
// map one level deeper, then the end tag. Keys go out as they are; every
// line ends with a carriage return.
using KeyMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;
void AppendListDocument(CString& out, int level, const CString& tag,
                        std::initializer_list<std::pair<const char16_t*, const KeyMap*>> lists);

// "wbxs" 2, "ordinary" 1, "plugin" 4 (ignoring case); anything else -1.
int32_t FileTypeCode(const CString& text);
// The written word of a file-type code: "wbxs", "ordinary", "plugin", or
// "invalid" for any other non-zero code; null for 0.
const char16_t* FileTypeWord(int32_t code);

// The string id's text formatted with the arguments; empty when the string
// table has no such id.
CString FormatMessage(unsigned int id);
CString FormatMessage(unsigned int id, const CString& a);
CString FormatMessage(unsigned int id, const CString& a, const CString& b);
CString FormatMessage(unsigned int id, const CString& a, const CString& b, const CString& c);
CString FormatMessage(unsigned int id, const CString& a, const CString& b, const CString& c,
                      const CString& d);

}  // namespace extxml
