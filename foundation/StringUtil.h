#pragma once

#include "foundation/CString.h"

#include <string>

namespace vesko {
inline namespace version_1 {
class string_t;
}
}  // namespace vesko

namespace Velt {
class VtString;
}

// Conversions between CString, UTF-8 standard strings, the support
// library's string_t and the messaging library's VtString. Malformed UTF-8
// or UTF-16 throws std::runtime_error ("unicode: ..."): a std::string or
// std::u16string output keeps what was appended before the error, a CString
// output is left as it was.
class StringUtil {
 public:
  // Appends the UTF-8 form of the text up to its terminator.
  static void convertStringToSingle(const CString& in, std::string& out);
  // Appends the UTF-16 form of all bytes of in.
  static void convertStringToWide(const std::string& in, std::u16string& out);
  // out becomes the UTF-16 form of in.
  static void convertStringToWide(const std::string& in, CString& out);
  // The value's bytes without their terminating 0; nothing without storage.
  static void convertStringToWide(const vesko::version_1::string_t& in, std::u16string& out);
  static void convertStringToWide(const vesko::version_1::string_t& in, CString& out);
  // Through the messaging library's own decoder, which never fails.
  static void convertVTStringToCString(const Velt::VtString& in, CString& out);
};

// A copy of the text up to its terminator.
std::u16string TSTRING(const CString& text);
