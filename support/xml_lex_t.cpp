#include "support/xml_lex_t.h"

#include <algorithm>
#include <cstring>

#include "support/stream_error_t.h"

namespace vesko {

namespace {

bool is_name_start(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ':' || c == '_' ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || c >= 0xF8;
}

bool is_name_char(unsigned char c) {
  return is_name_start(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7;
}

// The first occurrence of the two bytes a, b in [first, last), or last.
uchar_ptr_t find_pair(uchar_ptr_t first, uchar_ptr_t last, unsigned char a, unsigned char b) {
  for (; first != last && first + 1 != last; ++first) {
    if (first[0] == a && first[1] == b) return first;
  }
  return last;
}

}  // namespace

char const* token_to_string(xml_lex_token_set_t kind) noexcept {
  static char const* const names[] = {"xml_token_open_tag_k",
                                      "xml_token_open_slash_tag_k",
                                      "xml_token_close_tag_k",
                                      "xml_token_slash_close_tag_k",
                                      "xml_token_name_k",
                                      "xml_token_att_value_k",
                                      "xml_token_char_data_k",
                                      "xml_token_equals_k",
                                      "xml_token_reference_k",
                                      "xml_token_comment_k",
                                      "xml_token_processing_instruction_k",
                                      "xml_token_eof_k"};
  auto index = static_cast<unsigned>(kind);
  return index < std::size(names) ? names[index] : "unknown token!";
}

xml_lex_t::xml_lex_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position)
    : lex_base_t(first, last, position) {
  bind();
}

xml_lex_t::xml_lex_t(xml_lex_t const& x) : lex_base_t(x), in_tag_m(x.in_tag_m) {
  bind();
}

xml_lex_t& xml_lex_t::operator=(xml_lex_t const& x) {
  lex_base_t::operator=(x);
  in_tag_m = x.in_tag_m;
  bind();  // the copied procedure reads the other lexer
  return *this;
}

void xml_lex_t::bind() {
  set_parse_token_proc([this] { parse_token(); });
}

void xml_lex_t::put(xml_lex_token_set_t kind, uchar_ptr_t first, uchar_ptr_t last) {
  put_token(xml_lex_token_t{kind, token_range_t(first, last)});
}

void xml_lex_t::parse_token() {
  if (is_processing_instruction() || is_comment() || is_tag_open() || is_tag_close()) return;
  if (in_tag_m && is_in_tag_token()) return;
  if (is_reference()) return;
  char_data();
}

bool xml_lex_t::is_processing_instruction() {
  if (last_m - current_m < 2 || current_m[0] != '<' || current_m[1] != '?') return false;
  uchar_ptr_t end = find_pair(current_m + 2, last_m, '?', '>');
  if (end == last_m) throw_parser_exception("Unterminated processing instruction", line_position());
  put(xml_token_processing_instruction_k, current_m, end + 2);
  current_m = end + 2;
  return true;
}

bool xml_lex_t::is_comment() {
  static unsigned char const open[] = {'<', '!', '-', '-'};
  if (last_m - current_m < 4 || std::memcmp(current_m, open, 4) != 0) return false;
  uchar_ptr_t dashes = find_pair(current_m + 4, last_m, '-', '-');
  if (dashes == last_m) throw_parser_exception("Unterminated comment", line_position());
  if (dashes + 2 == last_m || dashes[2] != '>') {
    throw_parser_exception("Illegal character sequence in comment", line_position());
  }
  put(xml_token_comment_k, current_m, dashes + 3);
  current_m = dashes + 3;
  return true;
}

bool xml_lex_t::is_tag_open() {
  if (*current_m != '<') return false;
  uchar_ptr_t first = current_m++;
  xml_lex_token_set_t kind = xml_token_open_tag_k;
  if (current_m != last_m && *current_m == '/') {
    ++current_m;
    kind = xml_token_open_slash_tag_k;
  }
  put(kind, first, current_m);
  in_tag_m = true;
  set_skip_white_space(true);
  return true;
}

bool xml_lex_t::is_tag_close() {
  uchar_ptr_t first = current_m;
  xml_lex_token_set_t kind;
  if (*current_m == '>') {
    current_m += 1;
    kind = xml_token_close_tag_k;
  } else if (*current_m == '/' && last_m - current_m >= 2 && current_m[1] == '>') {
    current_m += 2;
    kind = xml_token_slash_close_tag_k;
  } else {
    return false;
  }
  put(kind, first, current_m);
  in_tag_m = false;
  set_skip_white_space(false);
  return true;
}

bool xml_lex_t::is_in_tag_token() {
  uchar_ptr_t first = current_m;
  unsigned char c = *current_m;
  if (is_name_start(c)) {
    while (++current_m != last_m && is_name_char(*current_m)) {
    }
    put(xml_token_name_k, first, current_m);
    return true;
  }
  if (c == '=') {
    ++current_m;
    put(xml_token_equals_k, first, current_m);
    return true;
  }
  if (c == '"' || c == '\'') {
    uchar_ptr_t value = current_m + 1;
    uchar_ptr_t end = value;
    while (end != last_m && *end != c && *end != '<' && *end != '&') ++end;
    if (end == last_m || *end != c) {
      throw_parser_exception("Unterminated Attribute Value", line_position());
    }
    put(xml_token_att_value_k, value, end);
    current_m = end + 1;
    return true;
  }
  return false;
}

bool xml_lex_t::is_reference() {
  if (*current_m != '&') return false;
  uchar_ptr_t first = current_m;
  uchar_ptr_t end = std::find(current_m, last_m, ';');
  current_m = end == last_m ? end : end + 1;
  put(xml_token_reference_k, first, current_m);
  return true;
}

void xml_lex_t::char_data() {
  uchar_ptr_t first = current_m;
  while (current_m != last_m && *current_m != '<' && *current_m != '&') ++current_m;
  put(xml_token_char_data_k, first, current_m);
}

}  // namespace vesko
