#pragma once

#include <cstddef>
#include <functional>
#include <ios>

#include "support/circular_queue.h"
#include "support/line_position_t.h"
#include "support/token_range_t.h"

namespace vesko {

template <typename E>
struct lex_token_t {
  E enum_m;
  token_range_t range_m;
};

namespace implementation {

template <typename E>
struct lex_range_fragment_t {
  lex_token_t<E> token_m;
  line_position_t line_position_m;  // where the token began
};

}  // namespace implementation

// The byte layer of a lexer over a range in memory: white-space skipping,
// line counting and a queue of the last S tokens. A derived lexer sets the
// parse procedure, which reads one token at current() and puts it with
// put_token(). Instantiated for <2, xml_lex_token_set_t>.
template <std::size_t S, typename E>
class lex_base_t {
 public:
  using parse_token_proc_t = std::function<void()>;

  lex_base_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position);
  virtual ~lex_base_t();

  lex_token_t<E> const& get_token();
  void putback() { last_token_m.putback(); }
  line_position_t const& next_position();

  void put_token(lex_token_t<E> const& token);
  void set_parse_token_proc(parse_token_proc_t proc) { parse_proc_m = std::move(proc); }
  void set_skip_white_space(bool skip) noexcept { skip_white_m = skip; }
  line_position_t const& line_position() const noexcept { return line_position_m; }

 protected:
  lex_base_t(lex_base_t const&) = default;
  lex_base_t& operator=(lex_base_t const&) = default;

  // The recognisers move current_m over the bytes they take.
  uchar_ptr_t current_m;
  uchar_ptr_t last_m;

 private:
  void skip_white_space();
  // Counts the line ends in [from, to), "\r\n" once.
  void count_line_ends(uchar_ptr_t from, uchar_ptr_t to);

  uchar_ptr_t first_m;  // the position counter is the offset from here
  line_position_t line_position_m;
  parse_token_proc_t parse_proc_m;
  bool skip_white_m = true;
  circular_queue<implementation::lex_range_fragment_t<E>> last_token_m{S};
};

}  // namespace vesko
