// Parses bytes as XML three ways: copying them, unwrapping every element
// through the callback, and as an xstring glossary whose own markers fill
// its first string. Anything but a stream_error_t or std::runtime_error
// (a crash, a hang, a sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <string>

#include "support/stream_error_t.h"
#include "support/xml_parser_t.h"
#include "support/xstring.h"

namespace {

using vesko::attribute_set_t;
using vesko::line_position_t;
using vesko::token_range_t;
using vesko::uchar_ptr_t;

void parse(
    uchar_ptr_t first, uchar_ptr_t last,
    vesko::xml_parser_t<std::back_insert_iterator<std::string>>::preorder_predicate_t const&
        predicate,
    vesko::xml_parser_t<std::back_insert_iterator<std::string>>::callback_proc_t const& callback) {
  std::string out;
  try {
    vesko::make_xml_parser(first, last, line_position_t("fuzz"), predicate, callback,
                           std::back_inserter(out))
        .parse_content();
  } catch (vesko::stream_error_t const& error) {
    std::string report = vesko::format_stream_error(error);
    (void)report;
  } catch (std::runtime_error const&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uchar_ptr_t first = data;
  uchar_ptr_t last = data + size;

  parse(first, last, {},
        [](token_range_t const& element, token_range_t const&, attribute_set_t const&,
           token_range_t const&) { return element; });
  parse(
      first, last, [](token_range_t const&) { return true; },
      [](token_range_t const&, token_range_t const&, attribute_set_t const& attributes,
         token_range_t const& content) {
        return attributes.empty() ? content : attributes.begin()->second;
      });

  // The glossary keeps ranges of these bytes: it is emptied before they go.
  std::string const text(reinterpret_cast<char const*>(data), size);
  try {
    vesko::make_xml_parser(
        first, last, line_position_t("fuzz"), &vesko::implementation::xstring_preorder_predicate,
        &vesko::implementation::xml_xstr_store, vesko::implementation::null_output_t())
        .parse_content();
    std::string replaced = vesko::xstring_replace(text, text);
    (void)replaced;
  } catch (vesko::stream_error_t const&) {
  } catch (std::runtime_error const&) {
  }
  vesko::xstring_clear_glossary();
  return 0;
}
