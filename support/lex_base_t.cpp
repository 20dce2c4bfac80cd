#include "support/lex_base_t.h"

#include "support/xml_lex_t.h"

namespace vesko {

namespace {

bool is_xml_space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

template <std::size_t S, typename E>
lex_base_t<S, E>::lex_base_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position)
    : current_m(first), last_m(last), first_m(first), line_position_m(position) {}

template <std::size_t S, typename E>
lex_base_t<S, E>::~lex_base_t() = default;

template <std::size_t S, typename E>
lex_token_t<E> const& lex_base_t<S, E>::get_token() {
  VESKO_ASSERT(bool(parse_proc_m), "parse_proc_m");
  if (last_token_m.empty()) {
    if (skip_white_m) skip_white_space();
    // 1-based, so that position minus line start is the 1-based column.
    line_position_m.position_m = std::streamoff(current_m - first_m + 1);
    if (current_m == last_m) {
      put_token(lex_token_t<E>{E::xml_token_eof_k, token_range_t(last_m, last_m)});
    } else {
      uchar_ptr_t start = current_m;
      parse_proc_m();
      // The token's own line ends count once it is taken, so its position
      // names the line it starts on.
      count_line_ends(start, current_m);
    }
  }
  lex_token_t<E> const& result = last_token_m.front().token_m;
  last_token_m.pop_front();
  return result;
}

template <std::size_t S, typename E>
line_position_t const& lex_base_t<S, E>::next_position() {
  get_token();
  putback();
  return last_token_m.front().line_position_m;
}

template <std::size_t S, typename E>
void lex_base_t<S, E>::put_token(lex_token_t<E> const& token) {
  last_token_m.push_back(implementation::lex_range_fragment_t<E>{token, line_position_m});
}

template <std::size_t S, typename E>
void lex_base_t<S, E>::skip_white_space() {
  uchar_ptr_t start = current_m;
  while (current_m != last_m && is_xml_space(*current_m)) ++current_m;
  count_line_ends(start, current_m);
}

template <std::size_t S, typename E>
void lex_base_t<S, E>::count_line_ends(uchar_ptr_t from, uchar_ptr_t to) {
  for (uchar_ptr_t p = from; p != to; ++p) {
    if (*p == '\r' || (*p == '\n' && (p == first_m || p[-1] != '\r'))) {
      ++line_position_m.line_number_m;
      // "\r\n" is one line end; the line begins behind it.
      uchar_ptr_t begin = (*p == '\r' && p + 1 != last_m && p[1] == '\n') ? p + 2 : p + 1;
      line_position_m.line_start_m = std::streamoff(begin - first_m);
    }
  }
}

template class lex_base_t<2, xml_lex_token_set_t>;

}  // namespace vesko
