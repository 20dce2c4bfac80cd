#include "support/stream_error_t.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace vesko {

stream_error_t::stream_error_t(std::string const& message, line_position_t const& position)
    : std::logic_error(message), line_position_set_m(1, position) {}

stream_error_t::stream_error_t(char const* message, line_position_t const& position)
    : std::logic_error(message), line_position_set_m(1, position) {}

std::string format_stream_error(stream_error_t const& error) {
  std::ostringstream out;
  out << error.what() << '\n';
  for (line_position_t const& position : error.line_position_set()) out << position;
  return out.str();
}

std::string format_stream_error(std::istream&, stream_error_t const& error) {
  return format_stream_error(error);
}

void throw_parser_exception(char const* message, line_position_t const& position) {
  throw stream_error_t(message, position);
}

void throw_parser_exception(char const* expected, char const* found,
                            line_position_t const& position) {
  std::string message;
  message << "Expected \"" << expected << "\", Found \"" << found << "\"";
  throw stream_error_t(message, position);
}

std::string& operator<<(std::string& out, char const* text) {
  std::string::size_type length = out.size() + std::strlen(text);
  if (length > out.capacity()) out.reserve(std::max(length, 2 * out.capacity()));
  out.append(text);
  return out;
}

}  // namespace vesko
