#include "support/xml_parser_t.h"

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/attribute_set_t.h"
#include "support/stream_error_t.h"
#include "support/xml_lex_t.h"
#include "support/xml_reference.h"

using vesko::attribute_set_t;
using vesko::line_position_t;
using vesko::static_token_range;
using vesko::stream_error_t;
using vesko::token_range_string;
using vesko::token_range_t;
using vesko::uchar_ptr_t;
using vesko::xml_lex_t;
using vesko::xml_parser_t;

namespace {

using string_parser_t = xml_parser_t<std::back_insert_iterator<std::string>>;

token_range_t bytes(std::string const& text) {
  auto first = reinterpret_cast<uchar_ptr_t>(text.data());
  return token_range_t(first, first + text.size());
}

std::string parse(std::string const& text, string_parser_t::preorder_predicate_t predicate = {},
                  string_parser_t::callback_proc_t callback = {}) {
  std::string out;
  token_range_t range = bytes(text);
  vesko::make_xml_parser(range.first, range.second, line_position_t("test"), predicate, callback,
                         std::back_inserter(out))
      .parse_content();
  return out;
}

// "message" for a syntax error, "runtime: message" for a structural one.
std::string parse_error(std::string const& text) {
  try {
    parse(text);
  } catch (stream_error_t const& error) {
    return error.what();
  } catch (std::runtime_error const& error) {
    return std::string("runtime: ") + error.what();
  }
  return "no error";
}

std::string reference(std::string const& text) {
  return token_range_string(vesko::implementation::transform_reference(bytes(text)));
}

bool named(token_range_t const& name, char const* text) {
  return token_range_string(name) == text;
}

std::string nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a>";
  for (int i = 0; i < depth; ++i) text += "</a>";
  return text;
}

}  // namespace

TEST(XmlParser, CopiesContentTranslatingReferences) {
  struct Case {
    char const* input;
    char const* output;
  } const cases[] = {
      {"a &lt; b &amp; c", "a < b & c"},
      {"<a  x = 'v'\n y=\"w\" >t</a >", "<a  x = 'v'\n y=\"w\" >t</a>"},
      {"<p>x<b>y</b>&quot;z&apos;</p>", "<p>x<b>y</b>\"z'</p>"},
      {"a<!-- note -->b<!---->c", "abc"},
      {"<e/>", "<e/>"},
      {"x > y", "x > y"},
      {"<a>x > y</a>", "<a>x > y</a>"},
      {"<a/>>x", "<a/>"},  // a '>' that starts a token is a tag close
      {"a&unknown;b", "ab"},
      {"a&lt", "a"},  // an unterminated reference runs to the end
      // Parsing stops quietly at a top-level instruction or stray end tag.
      {"a<?xml version='1.0'?><b/>", "a"},
      {"x</a>y", "x"},
      {"", ""},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(parse(c.input), c.output);
  }
}

TEST(XmlParser, SyntaxAndStructureErrors) {
  struct Case {
    char const* input;
    char const* message;
  } const cases[] = {
      {"< 1", "Expected \"xml_token_name_k\", Found \"xml_token_char_data_k\""},
      {"<a", "Expected \"xml_token_close_tag_k\", Found \"xml_token_eof_k\""},
      {"<a b>", "Expected \"xml_token_equals_k\", Found \"xml_token_close_tag_k\""},
      {"<a b=c>", "Expected \"xml_token_att_value_k\", Found \"xml_token_name_k\""},
      {"<a><![CDATA[x]]></a>", "Expected \"xml_token_name_k\", Found \"xml_token_char_data_k\""},
      {"<?pi", "Unterminated processing instruction"},
      {"<!-- x", "Unterminated comment"},
      {"<!-- x -- y -->", "Illegal character sequence in comment"},
      {"<!-- x --", "Illegal character sequence in comment"},
      {"<a b='x", "Unterminated Attribute Value"},
      {"<a b='x<y'/>", "Unterminated Attribute Value"},
      {"<a b=\"x&amp;y\"/>", "Unterminated Attribute Value"},
      {"<a>x", "runtime: End tag expected but not found."},
      {"<a>></a>", "runtime: End tag expected but not found."},
      {"<a><?pi?></a>", "runtime: End tag expected but not found."},
      {"<a>x</b>", "runtime: Start tag and end tag do not have the same name."},
      {"<a></ab>", "runtime: Start tag and end tag do not have the same name."},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(parse_error(c.input), c.message);
  }
}

TEST(XmlParser, NestingIsLimited) {
  int const limit = string_parser_t::max_depth;
  EXPECT_EQ(parse(nested(limit)), nested(limit));
  EXPECT_EQ(parse_error(nested(limit + 1)), "runtime: XML nesting too deep.");
  EXPECT_EQ(parse_error(std::string(100000, '<')),
            "Expected \"xml_token_name_k\", Found \"xml_token_open_tag_k\"");
}

TEST(XmlParser, ErrorsNameTheLineTheTokenStartsOn) {
  struct Case {
    char const* input;
    int line;
  } const cases[] = {
      {"<!-- x", 1},
      {"a\nb\r\nc\rd <!-- x", 4},
      {"<a\n  b\r\n=\n'x", 4},
      {"<a>\n<!-- x --\n>", 2},
      {"<!-- one\ntwo -->\n<?x", 3},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    try {
      parse(c.input);
      ADD_FAILURE() << "no error";
    } catch (stream_error_t const& error) {
      EXPECT_EQ(error.line_position_set().at(0).line_number_m, c.line);
    }
  }
}

TEST(XmlParser, CallbackSeesEmptyElementsOutsidePreorder) {
  std::vector<std::string> seen;
  auto callback = [&seen](token_range_t const& element, token_range_t const& name,
                          attribute_set_t const& attributes, token_range_t const& content) {
    seen.push_back(token_range_string(element) + "|" + token_range_string(name) + "|" +
                   token_range_string(attributes[static_token_range("k")]) + "|" +
                   token_range_string(content));
    return named(name, "img") ? static_token_range("[image]") : element;
  };
  EXPECT_EQ(parse("<p><img k='1' k=\"2\"/> and <br/></p>", {}, callback),
            "<p>[image] and <br/></p>");
  EXPECT_EQ(seen, (std::vector<std::string>{"<img k='1' k=\"2\"/>|img|2|", "<br/>|br||"}));
}

TEST(XmlParser, PreorderElementsAreReplacedAndTheReplacementParsed) {
  int calls = 0;
  std::string replacement = "[&lt;<i>z</i>]";
  auto is_x = [](token_range_t const& name) { return named(name, "x"); };
  auto callback = [&](token_range_t const& element, token_range_t const& name,
                      attribute_set_t const&, token_range_t const& content) {
    ++calls;
    EXPECT_EQ(token_range_string(element), "<x>y<b>&amp;</b></x>");
    EXPECT_EQ(token_range_string(name), "x");
    EXPECT_EQ(token_range_string(content), "y<b>&amp;</b>");
    return bytes(replacement);
  };
  EXPECT_EQ(parse("a<x>y<b>&amp;</b></x>b", is_x, callback), "a[<<i>z</i>]b");
  EXPECT_EQ(calls, 1);

  // A callback that gives the element back leaves it as it stands.
  auto same = [](token_range_t const& element, token_range_t const&, attribute_set_t const&,
                 token_range_t const&) { return element; };
  EXPECT_EQ(parse("a<x q='1'>&amp;<!-- c --></x>b", is_x, same), "a<x q='1'>&amp;<!-- c --></x>b");
}

TEST(XmlParser, ReplacementsAreReplacedInTurn) {
  // Each x becomes its content, so nested x elements unwrap level by level.
  auto is_x = [](token_range_t const& name) { return named(name, "x"); };
  auto unwrap = [](token_range_t const&, token_range_t const&, attribute_set_t const&,
                   token_range_t const& content) { return content; };
  EXPECT_EQ(parse("<x>1<x>2<x>3</x></x>4</x><x/>", is_x, unwrap), "1234");

  // A replacement that holds itself ends with an error, not a crash.
  std::string const loop = "again <x/>";
  auto forever = [&loop](token_range_t const&, token_range_t const&, attribute_set_t const&,
                         token_range_t const&) { return bytes(loop); };
  EXPECT_THROW(parse("<x/>", is_x, forever), std::runtime_error);
}

TEST(XmlLex, TokenKinds) {
  struct Case {
    char const* input;
    std::vector<std::string> tokens;  // kind number and bytes
  } const cases[] = {
      {"<a b='c'>d&e;</a>",
       {"0<", "4a", "4b", "7=", "5c", "2>", "6d", "8&e;", "1</", "4a", "2>", "11"}},
      {"<a/>>x", {"0<", "4a", "3/>", "2>", "6x", "11"}},
      {"<!x>", {"0<", "6!x>", "11"}},
      {"<?p q?><!-- c -->", {"10<?p q?>", "9<!-- c -->", "11"}},
      {"&x", {"8&x", "11"}},
      // Bytes are classed one by one: Latin-1 letters and the middle dot
      // belong to names, the second byte of a UTF-8 sequence does not.
      {"<\xE9t\xB7-1/>", {"0<", "4\xE9t\xB7-1", "3/>", "11"}},
      {"<\xC3\xA9/>", {"0<", "4\xC3", "6\xA9/>", "11"}},
      {"<a \"\"/>", {"0<", "4a", "5", "3/>", "11"}},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    std::string text = c.input;
    token_range_t range = bytes(text);
    xml_lex_t lexer(range.first, range.second, line_position_t());
    std::vector<std::string> tokens;
    for (;;) {
      vesko::xml_lex_token_t const& token = lexer.get_token();
      tokens.push_back(std::to_string(token.enum_m) + token_range_string(token.range_m));
      if (token.enum_m == vesko::xml_token_eof_k) break;
    }
    EXPECT_EQ(tokens, c.tokens);
  }
}

TEST(XmlLex, TokenNames) {
  char const* const names[] = {"xml_token_open_tag_k",
                               "xml_token_open_slash_tag_k",
                               "xml_token_close_tag_k",
                               "xml_token_slash_close_tag_k",
                               "xml_token_name_k",
                               "xml_token_att_value_k",
                               "xml_token_char_data_k",
                               "xml_token_equals_k",
                               "xml_token_reference_k",
                               "xml_token_comment_k",
                               "xml_token_processing_instruction_k",
                               "xml_token_eof_k"};
  for (int kind = 0; kind < 12; ++kind) {
    EXPECT_STREQ(vesko::token_to_string(static_cast<vesko::xml_lex_token_set_t>(kind)),
                 names[kind]);
  }
  EXPECT_STREQ(vesko::token_to_string(static_cast<vesko::xml_lex_token_set_t>(12)),
               "unknown token!");
}

TEST(XmlReference, CharacterAndEntityReferences) {
  struct Case {
    char const* input;
    char const* text;
  } const cases[] = {
      {"&#65;", "A"},
      {"&#x41;", "A"},
      {"&#x6a;", "j"},
      {"&#X41;", ""},  // an upper-case X is no hexadecimal mark
      {"&#0000000000000000065;", "A"},
      {"&#65x;", "A"},  // the first byte that is no digit ends the number
      {"&#233;", "\xC3\xA9"},
      {"&#x20AC;", "\xE2\x82\xAC"},
      {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
      {"&#0;", ""},
      {"&#;", ""},
      {"&#x;", ""},
      {"&#", ""},
      {"&", ""},
      // No code point: beyond U+10FFFF, surrogates, and digit runs that
      // would wrap a 32-bit value round to a small one (2^32 + 65).
      {"&#x110000;", ""},
      {"&#1114112;", ""},
      {"&#xD800;", ""},
      {"&#57343;", ""},
      {"&#4294967361;", ""},
      {"&#x100000041;", ""},
      {"&#99999999999999999999999999999999999999;", ""},
      // Named references, case-sensitive.
      {"&amp;", "&"},
      {"&lt;", "<"},
      {"&gt;", ">"},
      {"&quot;", "\""},
      {"&apos;", "'"},
      {"&nbsp;", "\xC2\xA0"},
      {"&yuml;", "\xC3\xBF"},
      {"&euro;", "\xE2\x82\xAC"},
      {"&Omega;", "\xCE\xA9"},
      {"&hearts;", "\xE2\x99\xA5"},
      {"&tab;", "\t"},
      {"&cr;", "\r"},
      {"&lf;", "\n"},
      {"&AMP;", ""},
      {"&bogus;", ""},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(reference(c.input), c.text);
  }
  EXPECT_EQ(vesko::implementation::entity_count(), 256u);
}

TEST(TokenRange, LengthOrdersFirst) {
  auto less = [](char const* x, char const* y) {
    return vesko::token_range_less(static_token_range(x), static_token_range(y));
  };
  EXPECT_TRUE(less("b", "aa"));
  EXPECT_FALSE(less("aa", "b"));
  EXPECT_TRUE(less("ab", "ac"));
  EXPECT_TRUE(less("a\x7F", "a\x80"));  // bytes compare unsigned
  EXPECT_FALSE(less("ab", "ab"));
  EXPECT_TRUE(less("", "a"));
  EXPECT_FALSE(less("", ""));
  EXPECT_TRUE(vesko::token_range_equal(static_token_range("ab"), static_token_range("ab")));
  EXPECT_FALSE(vesko::token_range_equal(static_token_range("ab"), static_token_range("abc")));
  EXPECT_TRUE(vesko::token_range_equal(token_range_t(), static_token_range("")));
}

namespace {

attribute_set_t attributes(std::vector<std::pair<char const*, char const*>> const& pairs) {
  attribute_set_t result;
  for (auto const& [key, value] : pairs) {
    result.insert(attribute_set_t::value_type(static_token_range(key), static_token_range(value)));
  }
  return result;
}

std::string describe(attribute_set_t const& set) {
  std::string result;
  for (auto const& [key, value] : set) {
    result += token_range_string(key) + "=" + token_range_string(value) + ";";
  }
  return result;
}

}  // namespace

TEST(AttributeSet, KeepsOneSortedEntryPerName) {
  attribute_set_t set = attributes({{"bb", "1"}, {"a", "2"}, {"c", "3"}, {"a", "4"}});
  EXPECT_EQ(describe(set), "a=4;c=3;bb=1;");
  EXPECT_EQ(token_range_string(set[static_token_range("c")]), "3");
  EXPECT_TRUE(vesko::token_range_empty(set[static_token_range("d")]));

  attribute_set_t::const_iterator position;
  EXPECT_TRUE(set.lower_bound(static_token_range("bb"), position));
  EXPECT_EQ(token_range_string(position->second), "1");
  EXPECT_FALSE(set.lower_bound(static_token_range("b"), position));
}

TEST(AttributeSet, CopiesShareUntilWritten) {
  attribute_set_t original = attributes({{"a", "1"}});
  attribute_set_t copy = original;
  copy.insert(attribute_set_t::value_type(static_token_range("a"), static_token_range("2")));
  copy.insert(attribute_set_t::value_type(static_token_range("b"), static_token_range("3")));
  EXPECT_EQ(describe(original), "a=1;");
  EXPECT_EQ(describe(copy), "a=2;b=3;");

  attribute_set_t fresh, other;
  fresh.insert(attribute_set_t::value_type(static_token_range("x"), static_token_range("y")));
  EXPECT_TRUE(other.empty());  // default sets share one empty set, never written
  copy.clear();
  EXPECT_TRUE(copy.empty());
  EXPECT_EQ(describe(original), "a=1;");
}

TEST(AttributeSet, MergeCollisionsAndCommonEntries) {
  attribute_set_t mine = attributes({{"a", "1"}});
  attribute_set_t theirs = attributes({{"a", "2"}, {"b", "3"}});
  EXPECT_EQ(describe(mine.merge(theirs)), "a=1;b=3;");
  EXPECT_EQ(describe(theirs.merge(mine)), "a=2;b=3;");
  EXPECT_TRUE(mine.has_collisions(theirs));
  EXPECT_FALSE(mine.has_collisions(attributes({{"b", "3"}})));
  EXPECT_EQ(mine.count_same(theirs, true), 0u);
  EXPECT_EQ(mine.count_same(theirs, false), 1u);
  EXPECT_EQ(theirs.count_same(attributes({{"b", "3"}, {"c", "4"}}), true), 1u);

  EXPECT_TRUE(attributes({{"a", "1"}, {"b", "2"}}) == attributes({{"b", "2"}, {"a", "1"}}));
  EXPECT_FALSE(attributes({{"a", "1"}}) == attributes({{"a", "1"}, {"b", "2"}}));
  EXPECT_FALSE(attributes({{"a", "1"}}) == attributes({{"a", "2"}}));
}
