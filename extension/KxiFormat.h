#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"

// What the description format fixes beyond single elements: the extension
// type table, the messages a reader collects, and the forms in which values
// are written so that the description reader gives them back unchanged.

namespace kxi {

// One spelling of an extension type (the root's "type" attribute).
struct TypeSpelling {
  int32_t code;
  const char16_t* text;
};

// Every spelling the reader knows, in table order; codes 1 to 64.
extern const TypeSpelling kTypeTable[];
extern const size_t kTypeTableSize;

// The code of a type text, ignoring case; 0 for any text not in the table.
int32_t TypeCode(const CString& text);

// The warnings and errors of one read; either list may be missing.
struct Messages {
  CZorbTypedList<CZorbString>* warnings = nullptr;
  CZorbTypedList<CZorbString>* errors = nullptr;

  // "Unknown attribute: <name>."
  void UnknownAttribute(const char16_t* name) const;
  // String 4194: attribute, element, value and the allowed values.
  void InvalidValue(const char16_t* attribute, const char16_t* element, const CString& value,
                    const char16_t* allowed) const;
  // The same with "true,false".
  void InvalidBoolean(const char16_t* attribute, const char16_t* element,
                      const CString& value) const;
  void Error(const CString& text) const;
};

// A boolean attribute as the description reads it: false first, true for
// "true", false for "false"; any other value is an error and gives false.
bool ReadBoolean(const char16_t* attribute, const char16_t* element, const CString& value,
                 const Messages& messages);

// An attribute value in the form the description reader reads back as it
// stands: a double quote becomes an apostrophe (the reader turns every one
// into that); a "<" that does not begin "<%" or end "+<" becomes "&lt;"
// (the reader keeps entities as text, and so does every value it hands
// on); the ">" of "/ >", which the reader refuses on any line, becomes
// "&gt;".
CString AttributeValue(const CString& value);
// ` name="value"` in that form.
void AppendAttribute(CString& out, const char16_t* name, const CString& value);

// Whether a text must go into a CDATA section to come back as it is: it
// holds markup, "]]>" or "/ >", has white space at either end, or ends in
// "+" (which the end tag after it would turn into "+<").
bool NeedsCData(const CString& text);
// A text inside a CDATA section that the reader gives back whole: "]]>"
// is split over two sections, and so is the ">" of "/ >".
CString CDataText(const CString& text);

// Whether the line holds "/ >", which the description reader refuses.
bool HasBrokenEmptyTagEnd(const char16_t* text, int32_t length);

}  // namespace kxi
