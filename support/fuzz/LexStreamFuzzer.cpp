// Lexes bytes as the expression language to the end, putting tokens back
// and peeking ahead on the way, and prints any syntax error with its line.
// Anything but a stream_error_t (a crash, a hang, a sanitizer report,
// another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "support/lex_stream_t.h"
#include "support/stream_error_t.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string const text(reinterpret_cast<char const*>(data), size);
  auto getline = std::make_shared<vesko::line_position_t::getline_proc_impl_t>(
      [&text](vesko::name_t, std::streampos start) {
        auto first = std::string::size_type(std::streamoff(start));
        if (first > text.size()) return std::string("(beyond the text)");
        return text.substr(first, text.find_first_of("\r\n", first) - first);
      });
  std::istringstream in(text);
  vesko::name_t const eof("eof");
  vesko::lex_stream_t lexer(in, vesko::line_position_t(vesko::name_t("fuzz"), getline, 1, 0, -1));
  lexer.set_keyword_extension_lookup(
      [](vesko::name_t const& word) { return *word.c_str() == 'k'; });
  try {
    for (unsigned count = 0;; ++count) {
      if (lexer.get().first == eof) break;
      if (count % 3 == 0) {
        lexer.putback();
        lexer.get();
      }
      std::ostringstream out;
      out << lexer.next_position();
    }
  } catch (vesko::stream_error_t const& error) {
    std::string report = vesko::format_stream_error(in, error);
    (void)report;
  }
  return 0;
}
