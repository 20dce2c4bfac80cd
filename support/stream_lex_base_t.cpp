#include "support/stream_lex_base_t.h"

#include <cctype>
#include <istream>
#include <iterator>

namespace vesko {

template <std::size_t S, typename I>
stream_lex_base_t<S, I>::stream_lex_base_t(I first, I last, line_position_t const& position)
    : first_m(first), last_m(last), line_position_m(position) {}

template <std::size_t S, typename I>
stream_lex_base_t<S, I>::~stream_lex_base_t() = default;

template <std::size_t S, typename I>
stream_lex_token_t const& stream_lex_base_t<S, I>::get_token() {
  VESKO_ASSERT(bool(parse_proc_m), "parse_proc_m");
  if (last_token_m.empty()) {
    if (skip_white_m) skip_white_space();
    line_position_m.position_m = streampos_m;
    token_position_m = line_position_m;
    char c;
    if (!get_char(c)) {
      static name_t const eof("eof");
      put_token(stream_lex_token_t{eof, any_regular_t()});
    } else {
      parse_proc_m(c);
    }
  }
  stream_lex_token_t const& result = last_token_m.front().token_m;
  last_token_m.pop_front();
  return result;
}

template <std::size_t S, typename I>
line_position_t const& stream_lex_base_t<S, I>::next_position() {
  get_token();
  putback_token();
  return last_token_m.front().line_position_m;
}

template <std::size_t S, typename I>
bool stream_lex_base_t<S, I>::get_char(char& c) {
  if (putback_count_m != 0) {
    c = putback_m[putback_count_m--];
  } else {
    if (first_m == last_m) return false;
    c = *first_m;
    ++first_m;
  }
  streampos_m += 1;
  return true;
}

template <std::size_t S, typename I>
void stream_lex_base_t<S, I>::putback_char(char c) {
  VESKO_ASSERT(putback_count_m + 1 < putback_slots, "putback_count_m < 7");
  putback_m[++putback_count_m] = c;
  streampos_m -= 1;
}

template <std::size_t S, typename I>
int stream_lex_base_t<S, I>::peek_char() {
  if (putback_count_m != 0) return static_cast<unsigned char>(putback_m[putback_count_m]);
  if (first_m == last_m) return -1;
  return static_cast<unsigned char>(*first_m);
}

template <std::size_t S, typename I>
void stream_lex_base_t<S, I>::ignore_char() {
  if (putback_count_m != 0) {
    --putback_count_m;
  } else {
    if (first_m == last_m) return;
    ++first_m;
  }
  streampos_m += 1;
}

template <std::size_t S, typename I>
bool stream_lex_base_t<S, I>::is_line_end(char c) {
  if (c == '\r') {
    if (peek_char() == '\n') ignore_char();
  } else if (c != '\n') {
    return false;
  }
  ++line_position_m.line_number_m;
  line_position_m.line_start_m = streampos_m - std::streamoff(1);
  return true;
}

template <std::size_t S, typename I>
void stream_lex_base_t<S, I>::skip_white_space() {
  char c;
  while (get_char(c)) {
    if (!is_line_end(c) && !std::isspace(static_cast<unsigned char>(c))) {
      putback_char(c);
      return;
    }
  }
}

template <std::size_t S, typename I>
void stream_lex_base_t<S, I>::put_token(stream_lex_token_t token) {
  last_token_m.push_back(implementation::lex_fragment_t{std::move(token), token_position_m});
}

template class stream_lex_base_t<2, std::istream_iterator<char>>;

}  // namespace vesko
