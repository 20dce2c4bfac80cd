#pragma once

// GoogleTest printers for the program's texts: CString (and the classes
// built on it), std::u16string and char16_t strings print as quoted UTF-8,
// so a failed EXPECT_EQ on texts shows both values readably. Every test
// binary includes this header ahead of its sources (cmake/Plexar.cmake), so
// no test sees GoogleTest's own printer for these types. Header-only: the
// test-support library links nothing above platform.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "foundation/CString.h"
#include "platform/os/Utf.h"

namespace testsupport {

// Writes u"text" in UTF-8, escaping quotes, backslashes and control
// characters as C does; an unpaired surrogate shows as \xD800.
inline void PrintUtf16(std::u16string_view text, std::ostream* os) {
  std::string out = "u\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    char32_t cp = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    switch (cp) {
      case U'"':
        out += "\\\"";
        break;
      case U'\\':
        out += "\\\\";
        break;
      case U'\r':
        out += "\\r";
        break;
      case U'\n':
        out += "\\n";
        break;
      case U'\t':
        out += "\\t";
        break;
      case U'\0':
        out += "\\0";
        break;
      default:
        if (cp < 0x20 || cp == 0x7F || (cp >= 0xD800 && cp <= 0xDFFF)) {
          static const char kHex[] = "0123456789ABCDEF";
          out += "\\x";
          bool started = false;
          for (int shift = 12; shift >= 0; shift -= 4) {
            const unsigned digit = (cp >> shift) & 0xF;
            if (digit != 0 || started || shift == 0) {
              out += kHex[digit];
              started = true;
            }
          }
        } else {
          platform::appendUtf8(out, cp);
        }
    }
  }
  out += '"';
  *os << out;
}

inline void PrintUtf16(const char16_t* text, std::ostream* os) {
  if (text == nullptr)
    *os << "NULL";
  else
    PrintUtf16(std::u16string_view(text), os);
}

}  // namespace testsupport

// Found by argument-dependent lookup, CString being global.
inline void PrintTo(const CString& text, std::ostream* os) {
  if (text.Get() == nullptr)
    *os << "NULL";
  else
    testsupport::PrintUtf16(std::u16string_view(text.Get(), static_cast<size_t>(text.GetLength())),
                            os);
}

// The classes built on CString (CZorbString, CZorbPath, ...): without this,
// GoogleTest's own template would be a better match than the base's printer.
template <class Text>
requires(std::is_base_of_v<CString, Text> &&
         !std::is_same_v<CString, Text>) void PrintTo(const Text& text, std::ostream* os) {
  PrintTo(static_cast<const CString&>(text), os);
}

namespace testing::internal {

// GoogleTest's own printer escapes every unit past ASCII; these show the
// text itself.
template <>
class UniversalPrinter<std::u16string> {
 public:
  static void Print(const std::u16string& text, std::ostream* os) {
    testsupport::PrintUtf16(text, os);
  }
};

template <>
class UniversalPrinter<std::u16string_view> {
 public:
  static void Print(std::u16string_view text, std::ostream* os) {
    testsupport::PrintUtf16(text, os);
  }
};

// A char16_t string compared with a CString is text, not an address.
template <class Text>
requires std::is_base_of_v<CString, Text>
class FormatForComparison<const char16_t*, Text> {
 public:
  static std::string Format(const char16_t* value) {
    std::ostringstream out;
    testsupport::PrintUtf16(value, &out);
    return out.str();
  }
};

template <class Text>
requires std::is_base_of_v<CString, Text>
class FormatForComparison<char16_t*, Text> : public FormatForComparison<const char16_t*, Text> {
};

}  // namespace testing::internal
