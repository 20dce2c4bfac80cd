#include "support/xml_parser_t.h"

#include <algorithm>
#include <stdexcept>

#include "support/stream_error_t.h"
#include "support/xml_reference.h"

namespace vesko {

namespace {

// Grows a content range over the next item.
void extend(token_range_t& range, token_range_t const& item) {
  if (range.first == nullptr) {
    range = item;
  } else {
    range.second = item.second;
  }
}

bool same_range(token_range_t const& x, token_range_t const& y) {
  return x.first == y.first && x.second == y.second;
}

}  // namespace

template <typename O>
xml_parser_t<O>::xml_parser_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position,
                              preorder_predicate_t const& predicate,
                              callback_proc_t const& callback, O output)
    : xml_parser_t(first, last, position, predicate, callback, output, 0) {}

template <typename O>
xml_parser_t<O>::xml_parser_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position,
                              preorder_predicate_t const& predicate,
                              callback_proc_t const& callback, O output, int depth)
    : predicate_m(predicate),
      callback_m(callback),
      output_m(output),
      lexer_m(first, last, position),
      depth_m(depth) {}

template <typename O>
void xml_parser_t<O>::parse_content() {
  lexer_m.set_skip_white_space(false);
  for (;;) {
    token_range_t range;
    content(range);
    if (token_range_empty(range)) return;
    output(callback_m ? callback_m(range, token_range_t(), attribute_set_t(), range) : range);
  }
}

template <typename O>
void xml_parser_t<O>::output(token_range_t const& range) {
  output_m = std::copy(range.first, range.second, output_m);
}

template <typename O>
void xml_parser_t<O>::enter() {
  // Each level costs stack: a hostile text must not exhaust it.
  if (++depth_m > max_depth) throw std::runtime_error("XML nesting too deep.");
}

template <typename O>
void xml_parser_t<O>::content(token_range_t& range) {
  token_range_t item;
  if (is_token(xml_token_char_data_k, item)) {
    if (preorder_mode_m) {
      extend(range, item);
    } else {
      output(item);
    }
  }
  for (;;) {
    if (is_token(xml_token_reference_k, item)) {
      if (preorder_mode_m) {
        extend(range, item);
      } else {
        output(implementation::transform_reference(item));
      }
    } else if (element(item)) {
      if (preorder_mode_m) extend(range, item);
    } else if (!is_token(xml_token_comment_k)) {
      return;
    }
    if (is_token(xml_token_char_data_k, item)) {
      if (preorder_mode_m) {
        extend(range, item);
      } else {
        output(item);
      }
    }
  }
}

template <typename O>
bool xml_parser_t<O>::element(token_range_t& range) {
  token_range_t open;
  if (!is_token(xml_token_open_tag_k, open)) return false;
  enter();
  token_range_t name;
  require_token(xml_token_name_k, name);
  bool switched = false;
  if (!preorder_mode_m && predicate_m) {
    preorder_mode_m = predicate_m(name);
    switched = preorder_mode_m;
  }
  attribute_set_t attributes;
  is_attribute_set(attributes);

  token_range_t close;
  if (is_token(xml_token_slash_close_tag_k, close)) {
    range = token_range_t(open.first, close.second);
    if (preorder_mode_m) {
      hand_over(switched, range, name, attributes, token_range_t());
    } else {
      output(callback_m ? callback_m(range, name, attributes, token_range_t()) : range);
    }
    --depth_m;
    return true;
  }

  require_token(xml_token_close_tag_k, close);
  if (!preorder_mode_m) output(token_range_t(open.first, close.second));
  token_range_t inner;
  content(inner);
  token_range_t end_name, end_close;
  if (!is_e_tag(end_name, end_close)) throw std::runtime_error("End tag expected but not found.");
  if (!token_range_equal(name, end_name)) {
    throw std::runtime_error("Start tag and end tag do not have the same name.");
  }
  range = token_range_t(open.first, end_close.second);
  if (preorder_mode_m) {
    hand_over(switched, range, name, attributes, inner);
  } else {
    static unsigned char const end_open[] = {'<', '/'};
    static unsigned char const end_tag_close[] = {'>'};
    output(token_range_t(end_open, end_open + 2));
    output(name);
    output(token_range_t(end_tag_close, end_tag_close + 1));
  }
  --depth_m;
  return true;
}

template <typename O>
void xml_parser_t<O>::hand_over(bool switched, token_range_t const& element,
                                token_range_t const& name, attribute_set_t const& attributes,
                                token_range_t const& content) {
  // A nested element only gives its range back to the enclosing content.
  if (!switched) return;
  token_range_t result = callback_m ? callback_m(element, name, attributes, content) : element;
  if (same_range(result, element)) {
    output(element);
  } else {
    xml_parser_t sub(result.first, result.second, lexer_m.next_position(), predicate_m, callback_m,
                     output_m, depth_m);
    sub.parse_content();
    output_m = sub.output_m;
  }
  preorder_mode_m = false;
}

template <typename O>
bool xml_parser_t<O>::is_token(xml_lex_token_set_t kind) {
  token_range_t range;
  return is_token(kind, range);
}

template <typename O>
bool xml_parser_t<O>::is_token(xml_lex_token_set_t kind, token_range_t& range) {
  xml_lex_token_t const& token = lexer_m.get_token();
  if (token.enum_m != kind) {
    lexer_m.putback();
    return false;
  }
  range = token.range_m;
  return true;
}

template <typename O>
void xml_parser_t<O>::require_token(xml_lex_token_set_t kind) {
  token_range_t range;
  require_token(kind, range);
}

template <typename O>
void xml_parser_t<O>::require_token(xml_lex_token_set_t kind, token_range_t& range) {
  xml_lex_token_t const& token = lexer_m.get_token();
  if (token.enum_m != kind) {
    xml_lex_token_set_t found = token.enum_m;
    throw_parser_exception(token_to_string(kind), token_to_string(found), lexer_m.next_position());
  }
  range = token.range_m;
}

template <typename O>
bool xml_parser_t<O>::is_attribute(token_range_t& name, token_range_t& value) {
  if (!is_token(xml_token_name_k, name)) return false;
  require_token(xml_token_equals_k);
  require_token(xml_token_att_value_k, value);
  return true;
}

template <typename O>
bool xml_parser_t<O>::is_attribute_set(attribute_set_t& attributes) {
  token_range_t name, value;
  bool any = false;
  while (is_attribute(name, value)) {
    attributes.insert(attribute_set_t::value_type(name, value));
    any = true;
  }
  return any;
}

template <typename O>
bool xml_parser_t<O>::is_e_tag(token_range_t& name, token_range_t& close) {
  if (!is_token(xml_token_open_slash_tag_k)) return false;
  require_token(xml_token_name_k, name);
  require_token(xml_token_close_tag_k, close);
  return true;
}

template class xml_parser_t<std::back_insert_iterator<std::string>>;
template class xml_parser_t<implementation::null_output_t>;

}  // namespace vesko
