#pragma once

#include "support/lex_base_t.h"
#include "support/line_position_t.h"
#include "support/token_range_t.h"

namespace vesko {

enum xml_lex_token_set_t {
  xml_token_open_tag_k,                // '<' of a start tag
  xml_token_open_slash_tag_k,          // "</"
  xml_token_close_tag_k,               // '>'
  xml_token_slash_close_tag_k,         // "/>"
  xml_token_name_k,                    //
  xml_token_att_value_k,               // without its quotes
  xml_token_char_data_k,               // up to the next '<' or '&'
  xml_token_equals_k,                  //
  xml_token_reference_k,               // '&' up to and including ';'
  xml_token_comment_k,                 // the whole comment
  xml_token_processing_instruction_k,  // the whole instruction
  xml_token_eof_k                      // an empty range at the end
};

// "xml_token_open_tag_k" and so on; "unknown token!" for another value.
char const* token_to_string(xml_lex_token_set_t kind) noexcept;

using xml_lex_token_t = lex_token_t<xml_lex_token_set_t>;

// Cuts a byte range into XML tokens in place. Errors throw stream_error_t:
// "Unterminated processing instruction", "Unterminated comment", "Illegal
// character sequence in comment" and "Unterminated Attribute Value".
class xml_lex_t : public lex_base_t<2, xml_lex_token_set_t> {
 public:
  xml_lex_t(uchar_ptr_t first, uchar_ptr_t last, line_position_t const& position);
  xml_lex_t(xml_lex_t const& x);
  xml_lex_t& operator=(xml_lex_t const& x);

 private:
  void bind();
  void parse_token();
  bool is_processing_instruction();
  bool is_comment();
  bool is_tag_open();
  bool is_tag_close();
  bool is_in_tag_token();
  bool is_reference();
  void char_data();
  void put(xml_lex_token_set_t kind, uchar_ptr_t first, uchar_ptr_t last);

  bool in_tag_m = false;
};

}  // namespace vesko
