#include "support/string_t.h"

#include <cstring>

namespace vesko {
inline namespace version_1 {

string_t::string_t(char const* text) {
  if (text) assign(text, text + std::strlen(text));
}

string_t::string_t(char const* text, size_type length) {
  assign(text, text + length);
}

string_t::string_t(std::string const& text) {
  assign(text.data(), text.data() + text.size());
}

void string_t::assign(char const* first, char const* last) {
  vector<char> fresh;
  if (first != last) {
    fresh.reserve(size_type(last - first) + 1);
    fresh.insert(fresh.end(), first, last);
    fresh.push_back('\0');
  }
  storage_m.swap(fresh);  // the range may have been our own bytes
}

void string_t::push_back(char c) {
  if (storage_m.empty()) {
    vector<char> fresh;
    fresh.push_back(c);
    fresh.push_back('\0');
    storage_m.swap(fresh);
    return;
  }
  // In front of the NUL, so that a failed allocation leaves the text whole.
  storage_m.insert(storage_m.end() - 1, 1, c);
}

}  // namespace version_1
}  // namespace vesko
