#pragma once

#include <functional>
#include <iterator>
#include <string>

#include "support/attribute_set_t.h"
#include "support/line_position_t.h"
#include "support/token_range_t.h"
#include "support/xml_lex_t.h"

namespace vesko {

namespace implementation {

// An output iterator that drops what it is given.
struct null_output_t {
  using iterator_category = std::output_iterator_tag;
  using value_type = void;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = void;

  null_output_t& operator*() noexcept { return *this; }
  template <typename T>
  null_output_t& operator=(T const&) noexcept {
    return *this;
  }
  null_output_t& operator++() noexcept { return *this; }
  null_output_t operator++(int) noexcept { return *this; }
};

}  // namespace implementation

// Parses XML content in place and copies it to O, translating references
// and dropping comments. Elements the predicate accepts (and empty elements
// outside them) are handed to the callback, whose result replaces the
// element and is parsed in turn. Syntax errors throw stream_error_t;
// mismatched or missing end tags and nesting deeper than the limit throw
// std::runtime_error. Parsing stops quietly at a top-level processing
// instruction or stray end tag.
//
// Instantiated for std::back_insert_iterator<std::string> and
// implementation::null_output_t.
template <typename O>
class xml_parser_t {
 public:
  using preorder_predicate_t = std::function<bool(token_range_t const& name)>;
  using callback_proc_t =
      std::function<token_range_t(token_range_t const& element, token_range_t const& name,
                                  attribute_set_t const& attributes, token_range_t const& content)>;

  // Elements and replacements nest at most this deep.
  static constexpr int max_depth = 256;

  xml_parser_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position,
               preorder_predicate_t const& predicate, callback_proc_t const& callback, O output);

  void parse_content();

  O output() const { return output_m; }

  bool is_token(xml_lex_token_set_t kind);
  bool is_token(xml_lex_token_set_t kind, token_range_t& range);
  void require_token(xml_lex_token_set_t kind);
  void require_token(xml_lex_token_set_t kind, token_range_t& range);
  bool is_attribute(token_range_t& name, token_range_t& value);
  bool is_attribute_set(attribute_set_t& attributes);
  bool is_e_tag(token_range_t& name, token_range_t& close);

 private:
  xml_parser_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position,
               preorder_predicate_t const& predicate, callback_proc_t const& callback, O output,
               int depth);

  void content(token_range_t& range);
  bool element(token_range_t& range);
  void hand_over(bool switched, token_range_t const& element, token_range_t const& name,
                 attribute_set_t const& attributes, token_range_t const& content);
  void output(token_range_t const& range);
  void enter();

  preorder_predicate_t predicate_m;
  callback_proc_t callback_m;
  O output_m;
  xml_lex_t lexer_m;
  bool preorder_mode_m = false;
  int depth_m;
};

template <typename O>
xml_parser_t<O> make_xml_parser(uchar_ptr_t first, uchar_ptr_t last,
                                line_position_t const& position,
                                typename xml_parser_t<O>::preorder_predicate_t const& predicate,
                                typename xml_parser_t<O>::callback_proc_t const& callback,
                                O output) {
  return xml_parser_t<O>(first, last, position, predicate, callback, output);
}

extern template class xml_parser_t<std::back_insert_iterator<std::string>>;
extern template class xml_parser_t<implementation::null_output_t>;

}  // namespace vesko
