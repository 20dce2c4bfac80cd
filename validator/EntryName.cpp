#include "validator/EntryName.h"

namespace nimbrel {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool isSafeEntryName(std::string_view name) {
  if (name.empty() || name.front() == '/') return false;
  if (name.back() == '/') name.remove_suffix(1);
  if (name.empty()) return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return name.find('\\') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool entryNameOfUri(std::string_view uri, std::string& name) {
  name.clear();
  // A scheme ("file:", "http:") names something outside the package.
  const size_t colon = uri.find(':');
  if (colon != std::string_view::npos && uri.find('/') > colon) return false;
  if (uri.find_first_of("?#") != std::string_view::npos) return false;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      name += uri[i];
      continue;
    }
    if (i + 2 >= uri.size()) return false;
    const int high = hexValue(uri[i + 1]);
    const int low = hexValue(uri[i + 2]);
    if (high < 0 || low < 0) return false;
    name += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

}  // namespace nimbrel
