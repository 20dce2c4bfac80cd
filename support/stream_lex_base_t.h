#pragma once

#include <cstddef>
#include <functional>
#include <ios>
#include <vector>

#include "support/any_regular_t.h"
#include "support/circular_queue.h"
#include "support/line_position_t.h"
#include "support/name_t.h"
#include "support/pair.h"

namespace vesko {

// A token of the expression lexer: its kind and its value.
using stream_lex_token_t = pair<name_t, any_regular_t>;

namespace implementation {

struct lex_fragment_t {
  stream_lex_token_t token_m;
  line_position_t line_position_m;  // where the token began
};

}  // namespace implementation

// The character layer of a lexer over an input iterator: put-back store,
// line counting and a queue of the last S tokens. A derived lexer sets the
// parse procedure, which reads one token from its first character and puts
// it with put_token(). Instantiated for <2, std::istream_iterator<char>>.
template <std::size_t S, typename I>
class stream_lex_base_t {
 public:
  using parse_token_proc_t = std::function<void(char)>;

  stream_lex_base_t(I first, I last, line_position_t const& position);
  virtual ~stream_lex_base_t();

  stream_lex_token_t const& get_token();
  void putback_token() { last_token_m.putback(); }
  line_position_t const& next_position();

  // The character layer; each character taken or put back moves the counter.
  bool get_char(char& c);
  void putback_char(char c);
  int peek_char();  // -1 at the end of input
  void ignore_char();
  bool is_line_end(char c);  // counts the line
  void skip_white_space();

  void put_token(stream_lex_token_t token);
  void set_parse_token_proc(parse_token_proc_t proc) { parse_proc_m = std::move(proc); }
  void set_skip_white_space(bool skip) noexcept { skip_white_m = skip; }

  line_position_t const& line_position() const noexcept { return line_position_m; }
  // Where the token being read began: its line, that line's start and its
  // position, even when the token runs over several lines.
  line_position_t const& token_position() const noexcept { return token_position_m; }
  std::streampos streampos() const noexcept { return streampos_m; }

 protected:
  stream_lex_base_t(stream_lex_base_t const&) = default;
  stream_lex_base_t& operator=(stream_lex_base_t const&) = default;

  std::vector<char> identifier_buffer_m;  // recognisers collect token text here

 private:
  static constexpr std::size_t putback_slots = 8;  // slots 1 to 7 are used

  I first_m;
  I last_m;
  // Counts the characters taken from 1, so a token's position is its
  // 1-based place and, with line starts kept as the offset at which a line
  // begins, position minus line start is the 1-based column.
  std::streampos streampos_m = 1;
  line_position_t line_position_m;
  line_position_t token_position_m;
  parse_token_proc_t parse_proc_m;
  bool skip_white_m = true;
  char putback_m[putback_slots] = {};
  std::size_t putback_count_m = 0;
  circular_queue<implementation::lex_fragment_t> last_token_m{S};
};

}  // namespace vesko
