#pragma once

#include <functional>
#include <iosfwd>

#include "support/line_position_t.h"
#include "support/name_t.h"
#include "support/stream_lex_base_t.h"

namespace vesko {

// The tokeniser of the library's expression language: numbers, quoted
// strings (adjacent literals join), identifiers, the keywords empty, true and
// false, comments, and one- and two-character operators. Syntax errors throw
// stream_error_t carrying the position of the failing token.
class lex_stream_t {
 public:
  using keyword_extension_lookup_proc_t = std::function<bool(name_t const&)>;

  // The stream must outlive the lexer; its skipws flag is switched off.
  lex_stream_t(std::istream& in, line_position_t const& position);
  lex_stream_t(lex_stream_t const& x);
  lex_stream_t& operator=(lex_stream_t const& x);
  ~lex_stream_t();

  // The reference stays valid until the next call.
  stream_lex_token_t const& get();
  // The last token is read again; at most two in a row.
  void putback();
  line_position_t const& next_position();

  // Words the lookup accepts become keywords too.
  void set_keyword_extension_lookup(keyword_extension_lookup_proc_t const& proc);

 private:
  struct implementation_t;
  implementation_t* object_m;
};

}  // namespace vesko
