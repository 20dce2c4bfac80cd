#include "foundation/StringUtil.h"

#include "messaging/VtString.h"
#include "platform/widechar/WideChar.h"
#include "support/Unicode.h"
#include "support/string_t.h"

#include <iterator>
#include <vector>

namespace {

// Assign also gives a string whose buffer was freed an empty one back.
void assignUnits(const std::u16string& units, CString& out) {
  out.Assign(units.c_str(), static_cast<uint32_t>(units.size()));
}

}  // namespace

void StringUtil::convertStringToSingle(const CString& in, std::string& out) {
  const char16_t* text = in.Get();
  if (text) vesko::to_utf8(text, text + platform::wcslen(text), std::back_inserter(out));
}

void StringUtil::convertStringToWide(const std::string& in, std::u16string& out) {
  vesko::to_utf16(in.begin(), in.end(), std::back_inserter(out));
}

void StringUtil::convertStringToWide(const std::string& in, CString& out) {
  std::u16string units;
  convertStringToWide(in, units);
  assignUnits(units, out);
}

void StringUtil::convertStringToWide(const vesko::version_1::string_t& in, std::u16string& out) {
  vesko::to_utf16(in.begin(), in.end(), std::back_inserter(out));
}

void StringUtil::convertStringToWide(const vesko::version_1::string_t& in, CString& out) {
  std::u16string units;
  convertStringToWide(in, units);
  assignUnits(units, out);
}

void StringUtil::convertVTStringToCString(const Velt::VtString& in, CString& out) {
  // At most one character per byte, so length + 1 units always suffice;
  // zero-filled, so the text is terminated even when nothing is written.
  const int32_t length = in.length() > 0 ? in.length() : 0;
  std::vector<char16_t> units(static_cast<size_t>(length) + 1, 0);
  in.convertToUtf16(units.data(), static_cast<uint32_t>(length));
  units.back() = 0;
  out = units.data();
}

std::u16string TSTRING(const CString& text) {
  return text.Get() ? std::u16string(text.Get()) : std::u16string();
}
