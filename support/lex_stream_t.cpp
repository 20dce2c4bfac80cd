#include "support/lex_stream_t.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <istream>
#include <iterator>
#include <limits>
#include <vector>

#include "support/stream_error_t.h"
#include "support/string_t.h"

namespace vesko {

namespace {

struct compound_operator_t {
  char first;
  char second;
  name_t kind;
};

// Built once, on the first lexer.
struct lex_tables_t {
  lex_tables_t() {
    keywords = {name_t("empty"), name_t("true"), name_t("false")};
    std::sort(keywords.begin(), keywords.end());

    static constexpr struct {
      char c;
      char const* kind;
    } simple[] = {
        {'!', ".not"},
        {'%', ".modulus"},
        {'(', "open_parenthesis"},
        {')', "close_parenthesis"},
        {'*', ".multiply"},
        {'+', ".add"},
        {'-', ".subtract"},
        {'/', ".divide"},
        {':', "colon"},
        {';', "semicolon"},
        {'<', ".less"},
        {'=', "assign"},
        {'>', ".greater"},
        {'?', "question"},
        {'@', ".at"},
        {'[', "open_bracket"},
        {']', "close_bracket"},
        {'{', "open_brace"},
        {'}', "close_brace"},
        {',', "comma"},
        {'.', "dot"},
    };
    for (auto const& entry : simple)
      simple_operators[static_cast<unsigned char>(entry.c)] = name_t(entry.kind);

    compound_operators = {{
        {'=', '=', name_t(".equal")},
        {'!', '=', name_t(".not_equal")},
        {'<', '=', name_t(".less_equal")},
        {'>', '=', name_t(".greater_equal")},
        {'&', '&', name_t(".and")},
        {'|', '|', name_t(".or")},
    }};
  }

  bool is_keyword(name_t const& word) const {
    auto found = std::lower_bound(keywords.begin(), keywords.end(), word);
    return found != keywords.end() && *found == word;
  }

  std::vector<name_t> keywords;
  std::array<name_t, 256> simple_operators;
  std::array<compound_operator_t, 6> compound_operators;
  name_t is_k{".is"};
  name_t number_k{"number"};
  name_t string_k{"string"};
  name_t identifier_k{"identifier"};
  name_t lead_comment_k{"lead_comment"};
  name_t trail_comment_k{"trail_comment"};
};

lex_tables_t const& tables() {
  static lex_tables_t const result;
  return result;
}

// Every character must reach the lexer, leading white space included, so
// the flag goes before the iterator reads the first one.
std::istream& without_skipws(std::istream& in) {
  in.unsetf(std::ios_base::skipws);
  return in;
}

bool is_digit(int c) {
  return c >= '0' && c <= '9';
}

using base_t = stream_lex_base_t<2, std::istream_iterator<char>>;

}  // namespace

struct lex_stream_t::implementation_t : base_t {
  implementation_t(std::istream& in, line_position_t const& position)
      : base_t(std::istream_iterator<char>(without_skipws(in)), std::istream_iterator<char>(),
               position),
        tables_m(tables()) {
    bind();
  }

  implementation_t(implementation_t const& x)
      : base_t(x), tables_m(x.tables_m), keyword_proc_m(x.keyword_proc_m) {
    bind();
  }

  implementation_t& operator=(implementation_t const& x) {
    base_t::operator=(x);
    keyword_proc_m = x.keyword_proc_m;
    bind();  // the copied procedure reads the other lexer
    return *this;
  }

  void bind() {
    set_parse_token_proc([this](char c) { parse_token(c); });
  }

  void parse_token(char c) {
    if (is_number(c) || is_identifier_or_keyword(c) || is_comment(c) || is_string(c) ||
        is_compound_operator(c) || is_simple_operator(c)) {
      return;
    }
    throw_parser_exception("Syntax Error", token_position());
  }

  bool is_number(char c) {
    if (!is_digit(static_cast<unsigned char>(c))) return false;
    putback_char(c);
    identifier_buffer_m.clear();
    while (get_char(c)) {
      if (!is_digit(static_cast<unsigned char>(c)) && c != '.') {
        putback_char(c);
        break;
      }
      identifier_buffer_m.push_back(c);
    }
    put_token(stream_lex_token_t{tables_m.number_k, any_regular_t(read_number())});
    return true;
  }

  // Digits and dots: the longest leading decimal number counts, the rest of
  // the text is dropped, as a C-locale stream would read it.
  double read_number() const {
    char const* first = identifier_buffer_m.data();
    char const* last = first + identifier_buffer_m.size();
    double value = 0;
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
      // Too many digits for a double: infinite, or zero below the smallest.
      char const* point = std::find(first, last, '.');
      bool large = std::find_if(first, point, [](char d) { return d != '0'; }) != point;
      value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
  }

  bool is_identifier_or_keyword(char c) {
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') return false;
    identifier_buffer_m.clear();
    identifier_buffer_m.push_back(c);
    while (get_char(c)) {
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
        putback_char(c);
        break;
      }
      identifier_buffer_m.push_back(c);
    }
    identifier_buffer_m.push_back('\0');
    name_t word(identifier_buffer_m.data());
    if (tables_m.is_keyword(word) || (keyword_proc_m && keyword_proc_m(word))) {
      put_token(stream_lex_token_t{word, any_regular_t()});
    } else {
      put_token(stream_lex_token_t{tables_m.identifier_k, any_regular_t(word)});
    }
    return true;
  }

  bool is_comment(char c) {
    if (c != '/') return false;
    int next = peek_char();
    if (next != '/' && next != '*') return false;
    ignore_char();
    identifier_buffer_m.clear();
    if (next == '*') {
      for (;;) {
        if (!get_char(c)) throw_parser_exception("Unexpected EOF in comment.", token_position());
        if (c == '*' && peek_char() == '/') {
          ignore_char();
          break;
        }
        if (is_line_end(c)) c = '\n';
        identifier_buffer_m.push_back(c);
      }
      put_token(stream_lex_token_t{tables_m.lead_comment_k, any_regular_t(buffer_text())});
    } else {
      while (get_char(c) && !is_line_end(c)) identifier_buffer_m.push_back(c);
      put_token(stream_lex_token_t{tables_m.trail_comment_k, any_regular_t(buffer_text())});
    }
    return true;
  }

  bool is_string(char c) {
    if (c != '\'' && c != '"') return false;
    identifier_buffer_m.clear();
    for (;;) {
      char const quote = c;
      for (;;) {
        if (!get_char(c)) throw_parser_exception("Unexpected EOF in string.", token_position());
        if (c == quote) break;
        identifier_buffer_m.push_back(c);
      }
      // Adjacent literals join into one string.
      skip_white_space();
      int next = peek_char();
      if (next != '\'' && next != '"') break;
      get_char(c);
    }
    put_token(stream_lex_token_t{tables_m.string_k, any_regular_t(buffer_text())});
    return true;
  }

  bool is_compound_operator(char c) {
    for (compound_operator_t const& op : tables_m.compound_operators) {
      if (op.first != c) continue;
      if (peek_char() != static_cast<unsigned char>(op.second)) return false;
      ignore_char();
      if (c == '<' && peek_char() == '=') {
        ignore_char();
        put_token(stream_lex_token_t{tables_m.is_k, any_regular_t()});
      } else {
        put_token(stream_lex_token_t{op.kind, any_regular_t()});
      }
      return true;
    }
    return false;
  }

  bool is_simple_operator(char c) {
    name_t const& kind = tables_m.simple_operators[static_cast<unsigned char>(c)];
    if (kind.empty()) return false;
    put_token(stream_lex_token_t{kind, any_regular_t()});
    return true;
  }

  string_t buffer_text() const {
    return string_t(identifier_buffer_m.data(), identifier_buffer_m.size());
  }

  lex_tables_t const& tables_m;
  keyword_extension_lookup_proc_t keyword_proc_m;
};

lex_stream_t::lex_stream_t(std::istream& in, line_position_t const& position)
    : object_m(new implementation_t(in, position)) {}

lex_stream_t::lex_stream_t(lex_stream_t const& x) : object_m(new implementation_t(*x.object_m)) {}

lex_stream_t& lex_stream_t::operator=(lex_stream_t const& x) {
  if (this != &x) *object_m = *x.object_m;
  return *this;
}

lex_stream_t::~lex_stream_t() {
  delete object_m;
}

stream_lex_token_t const& lex_stream_t::get() {
  return object_m->get_token();
}

void lex_stream_t::putback() {
  object_m->putback_token();
}

line_position_t const& lex_stream_t::next_position() {
  return object_m->next_position();
}

void lex_stream_t::set_keyword_extension_lookup(keyword_extension_lookup_proc_t const& proc) {
  object_m->keyword_proc_m = proc;
}

}  // namespace vesko
