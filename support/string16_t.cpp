#include "support/string16_t.h"

namespace vesko {
inline namespace version_1 {

namespace {

std::size_t length_of(char16_t const* text) {
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

}  // namespace

string16_t::string16_t(char16_t const* text) {
  if (text) assign(text, text + length_of(text));
}

string16_t::string16_t(char16_t const* text, size_type length) {
  assign(text, text + length);
}

void string16_t::assign(char16_t const* first, char16_t const* last) {
  vector<char16_t> fresh;
  if (first != last) {
    fresh.reserve(size_type(last - first) + 1);
    fresh.insert(fresh.end(), first, last);
    fresh.push_back(0);
  }
  storage_m.swap(fresh);
}

void string16_t::append(char16_t const* text) {
  if (text) append(text, text + length_of(text));
}

void string16_t::append(char16_t const* first, char16_t const* last) {
  if (first == last) return;
  if (storage_m.empty()) {
    assign(first, last);
    return;
  }
  // In front of the terminating unit, so that a failed allocation leaves the
  // text whole.
  storage_m.insert(storage_m.end() - 1, first, last);
}

void string16_t::push_back(char16_t unit) {
  append(&unit, &unit + 1);
}

}  // namespace version_1
}  // namespace vesko
