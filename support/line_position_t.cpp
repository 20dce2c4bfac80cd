#include "support/line_position_t.h"

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <utility>

namespace vesko {

line_position_t::line_position_t(name_t stream_name, getline_proc_t getline_proc, int line_number,
                                 std::streampos line_start, std::streampos position)
    : line_number_m(line_number),
      line_start_m(line_start),
      position_m(position),
      stream_name_m(stream_name),
      getline_proc_m(std::move(getline_proc)) {}

line_position_t::line_position_t(char const* stream_name, int line_index)
    : line_number_m(line_index + 1), line_start_m(0), position_m(-1), stream_name_m(stream_name) {}

line_position_t::line_position_t() : line_number_m(1), line_start_m(0), position_m(-1) {}

std::string line_position_t::file_snippet() const {
  if (!getline_proc_m || !*getline_proc_m) return std::string();
  return (*getline_proc_m)(stream_name_m, line_start_m);
}

std::ostream& operator<<(std::ostream& out, line_position_t const& position) {
  std::string snippet = position.file_snippet();
  std::replace(snippet.begin(), snippet.end(), '\t', ' ');
  std::string::size_type indent = snippet.find_first_not_of(' ');
  if (indent == std::string::npos) indent = snippet.size();
  snippet.erase(0, indent);

  // Without a known position the caret stands under the line's last character,
  // wherever its indentation was.
  std::streamoff column = position.position_m == std::streampos(-1)
                              ? std::streamoff(indent + snippet.size())
                              : position.position_m - position.line_start_m;

  std::ios_base::fmtflags flags = out.flags();
  char fill = out.fill();
  if (!position.stream_name_m.empty()) out << "File: " << position.stream_name_m.c_str() << '\n';
  out << std::right << std::setw(5) << std::setfill('0') << position.line_number_m << ": "
      << snippet << '\n';
  // Seven characters of line number, colon and blank stand before the text.
  out << std::setw(int(column - std::streamoff(indent) + 7)) << std::setfill(' ') << '^' << '\n';
  out.flags(flags);
  out.fill(fill);
  return out;
}

}  // namespace vesko
