#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/line_position_t.h"

namespace vesko {

// A syntax error of one of the library's parsers, with where it happened.
class stream_error_t : public std::logic_error {
 public:
  stream_error_t(std::string const& message, line_position_t const& position);
  stream_error_t(char const* message, line_position_t const& position);

  std::vector<line_position_t> const& line_position_set() const noexcept {
    return line_position_set_m;
  }

 private:
  std::vector<line_position_t> line_position_set_m;
};

// The message, a newline, then each position of the trail as printed by its
// output operator.
std::string format_stream_error(stream_error_t const& error);
std::string format_stream_error(std::istream& in, stream_error_t const& error);

[[noreturn]] void throw_parser_exception(char const* message, line_position_t const& position);
// Expected "<expected>", Found "<found>"
[[noreturn]] void throw_parser_exception(char const* expected, char const* found,
                                         line_position_t const& position);

// Appends, growing the capacity at least twofold when it must grow.
std::string& operator<<(std::string& out, char const* text);

}  // namespace vesko
