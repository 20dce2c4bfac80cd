#pragma once

#include <functional>
#include <ios>
#include <memory>
#include <string>

#include "support/name_t.h"

namespace vesko {

// Where in which stream: the line, where it began and where a token began.
// The getline procedure, when set, gives the text of the line for error
// reports; copies share it.
struct line_position_t {
  using getline_proc_impl_t = std::function<std::string(name_t, std::streampos)>;
  using getline_proc_t = std::shared_ptr<getline_proc_impl_t>;

  line_position_t(name_t stream_name, getline_proc_t getline_proc, int line_number,
                  std::streampos line_start, std::streampos position);
  // For a source name and a zero-based line.
  explicit line_position_t(char const* stream_name, int line_index = 0);
  line_position_t();

  // The text of the current line, or empty without a getline procedure.
  std::string file_snippet() const;

  int line_number_m;
  std::streampos line_start_m;
  std::streampos position_m;  // -1 when not known
  name_t stream_name_m;
  getline_proc_t getline_proc_m;
};

// "File: <name>" (when named), the zero-padded line number with the line's
// text, and a caret under the failing column.
std::ostream& operator<<(std::ostream& out, line_position_t const& position);

}  // namespace vesko
