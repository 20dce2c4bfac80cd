#include "support/lex_stream_t.h"
#include "support/stream_error_t.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/circular_queue.h"
#include "support/string_t.h"

using vesko::any_regular_t;
using vesko::lex_stream_t;
using vesko::line_position_t;
using vesko::name_t;
using vesko::stream_error_t;
using vesko::stream_lex_token_t;

namespace {

// "kind" for tokens without a value, "kind:value" for the others.
std::string describe(stream_lex_token_t const& token) {
  std::string kind = token.first.c_str();
  any_regular_t const& value = token.second;
  if (value.type_info() == any_regular_t().type_info()) return kind;
  if (value.type_info() == any_regular_t(1.0).type_info()) {
    std::ostringstream number;
    number << value.cast<double>();
    return kind + ":" + number.str();
  }
  if (value.type_info() == any_regular_t(name_t("n")).type_info()) {
    return kind + ":" + value.cast<name_t>().c_str();
  }
  return kind + ":" + std::string(value.cast<vesko::string_t>());
}

std::vector<std::string> lex_all(std::string const& text,
                                 lex_stream_t::keyword_extension_lookup_proc_t const& lookup = {}) {
  std::istringstream in(text);
  lex_stream_t lexer(in, line_position_t("test"));
  if (lookup) lexer.set_keyword_extension_lookup(lookup);
  std::vector<std::string> result;
  for (;;) {
    result.push_back(describe(lexer.get()));
    if (result.back() == "eof") return result;
  }
}

std::string lex_error(std::string const& text) {
  try {
    lex_all(text);
  } catch (stream_error_t const& error) {
    return error.what();
  }
  return "no error";
}

// Reads lines of a text by their start offset, as a file reader would.
line_position_t::getline_proc_t line_reader(std::string const& text) {
  return std::make_shared<line_position_t::getline_proc_impl_t>(
      [text](name_t, std::streampos start) {
        std::string::size_type first = std::string::size_type(std::streamoff(start));
        return text.substr(first, text.find_first_of("\r\n", first) - first);
      });
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(LexStream, Tokens) {
  struct Case {
    char const* input;
    Tokens tokens;
  } const cases[] = {
      {"a<==b", {"identifier:a", ".is", "identifier:b", "eof"}},
      {"a<=b", {"identifier:a", ".less_equal", "identifier:b", "eof"}},
      {"a<b", {"identifier:a", ".less", "identifier:b", "eof"}},
      {"a < = b", {"identifier:a", ".less", "assign", "identifier:b", "eof"}},
      {"'ab' \t\n \"cd\"", {"string:abcd", "eof"}},
      {"'ab' x", {"string:ab", "identifier:x", "eof"}},
      {"'it\"s' \"'\"", {"string:it\"s'", "eof"}},
      {"''", {"string:", "eof"}},
      {"/* x\r\ny */", {"lead_comment: x\ny ", "eof"}},
      {"/**/z", {"lead_comment:", "identifier:z", "eof"}},
      {"// note", {"trail_comment: note", "eof"}},
      {"// a\r\nb", {"trail_comment: a", "identifier:b", "eof"}},
      {"true empty false truth", {"true", "empty", "false", "identifier:truth", "eof"}},
      {"_x9 y_", {"identifier:_x9", "identifier:y_", "eof"}},
      {"12.5.3", {"number:12.5", "eof"}},
      {"1e3", {"number:1", "identifier:e3", "eof"}},
      {"007 0.25", {"number:7", "number:0.25", "eof"}},
      {"-4", {".subtract", "number:4", "eof"}},
      {"! % ( ) * + - / : ; < = > ? @ [ ] { } , .",
       {".not",
        ".modulus",
        "open_parenthesis",
        "close_parenthesis",
        ".multiply",
        ".add",
        ".subtract",
        ".divide",
        "colon",
        "semicolon",
        ".less",
        "assign",
        ".greater",
        "question",
        ".at",
        "open_bracket",
        "close_bracket",
        "open_brace",
        "close_brace",
        "comma",
        "dot",
        "eof"}},
      {"== != <= >= && || <==",
       {".equal", ".not_equal", ".less_equal", ".greater_equal", ".and", ".or", ".is", "eof"}},
      {"a/b", {"identifier:a", ".divide", "identifier:b", "eof"}},
      {"", {"eof"}},
      {" \r\n\t ", {"eof"}},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(lex_all(c.input), c.tokens);
  }
}

TEST(LexStream, TokenValuesHaveTheirTypes) {
  std::istringstream in("1.5 'text' word true");
  lex_stream_t lexer(in, line_position_t());
  EXPECT_EQ(lexer.get().second.cast<double>(), 1.5);
  EXPECT_EQ(lexer.get().second.cast<vesko::string_t>(), vesko::string_t("text"));
  EXPECT_EQ(lexer.get().second.cast<name_t>(), name_t("word"));
  stream_lex_token_t keyword = lexer.get();
  EXPECT_EQ(keyword.first, name_t("true"));
  EXPECT_EQ(keyword.second, any_regular_t());
}

TEST(LexStream, KeywordExtensionMakesWordsKeywords) {
  auto truth = [](name_t const& word) { return word == name_t("truth"); };
  EXPECT_EQ(lex_all("truth true lie", truth), (Tokens{"truth", "true", "identifier:lie", "eof"}));
}

TEST(LexStream, HugeNumbersDoNotFail) {
  EXPECT_EQ(lex_all(std::string(400, '9')), (Tokens{"number:inf", "eof"}));
  EXPECT_EQ(lex_all("0." + std::string(400, '0') + "1"), (Tokens{"number:0", "eof"}));
}

TEST(LexStream, SyntaxErrors) {
  struct Case {
    char const* input;
    char const* message;
  } const cases[] = {
      {"#", "Syntax Error"},
      {"a & b", "Syntax Error"},
      {"a | b", "Syntax Error"},
      {"a \x80", "Syntax Error"},
      {"'abc", "Unexpected EOF in string."},
      {"x '", "Unexpected EOF in string."},
      {"'ab' \"cd", "Unexpected EOF in string."},
      {"/* abc *", "Unexpected EOF in comment."},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(lex_error(c.input), c.message);
  }
}

TEST(LexStream, PositionsCountLinesOutsideStrings) {
  // CR, LF and CR LF each end one line; line ends inside a string do not
  // count, those behind it do; a block comment counts its own.
  std::string const text = "\n\na\rb\r\nc 'x\ny'\n\nd /*\n\n*/ e";
  std::istringstream in(text);
  lex_stream_t lexer(in, line_position_t("text"));
  struct Expected {
    char const* token;
    int line;
  } const expected[] = {{"identifier:a", 3}, {"identifier:b", 4}, {"identifier:c", 5},
                        {"string:x\ny", 5},  {"identifier:d", 7}, {"lead_comment:\n\n", 7},
                        {"identifier:e", 9}, {"eof", 9}};
  for (Expected const& e : expected) {
    SCOPED_TRACE(e.token);
    EXPECT_EQ(lexer.next_position().line_number_m, e.line);
    EXPECT_EQ(describe(lexer.get()), e.token);
  }
}

TEST(LexStream, ErrorsPointAtTheFailingCharacter) {
  struct Case {
    char const* input;
    char const* report;
  } const cases[] = {
      {"#x", "Syntax Error\nFile: src\n00001: #x\n       ^\n"},
      {"a + #", "Syntax Error\nFile: src\n00001: a + #\n           ^\n"},
      {"a\n  b # c", "Syntax Error\nFile: src\n00002: b # c\n         ^\n"},
      {"a\r\n\tb 'open", "Unexpected EOF in string.\nFile: src\n00002: b 'open\n         ^\n"},
      // A token over several lines reports the line it starts on.
      {"a\n /* x\n\ny", "Unexpected EOF in comment.\nFile: src\n00002: /* x\n       ^\n"},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.input);
    std::string const text = c.input;
    std::istringstream in(text);
    lex_stream_t lexer(in, line_position_t(name_t("src"), line_reader(text), 1, 0, -1));
    try {
      while (lexer.get().first != name_t("eof")) {
      }
      ADD_FAILURE() << "no error";
    } catch (stream_error_t const& error) {
      ASSERT_EQ(error.line_position_set().size(), 1u);
      EXPECT_EQ(vesko::format_stream_error(in, error), c.report);
    }
  }
}

TEST(LexStream, PutbackReturnsTheLastTwoTokens) {
  std::istringstream in("a b c");
  lex_stream_t lexer(in, line_position_t());
  EXPECT_EQ(describe(lexer.get()), "identifier:a");
  EXPECT_EQ(describe(lexer.get()), "identifier:b");
  lexer.putback();
  lexer.putback();
  EXPECT_EQ(describe(lexer.get()), "identifier:a");
  EXPECT_EQ(lexer.next_position().position_m, std::streampos(3));
  EXPECT_EQ(describe(lexer.get()), "identifier:b");
  EXPECT_EQ(describe(lexer.get()), "identifier:c");
  EXPECT_EQ(describe(lexer.get()), "eof");
  EXPECT_EQ(describe(lexer.get()), "eof");
}

TEST(LexStreamDeathTest, ThirdPutbackInARow) {
  std::istringstream in("a b c");
  lex_stream_t lexer(in, line_position_t());
  lexer.get();
  lexer.get();
  lexer.putback();
  lexer.putback();
  EXPECT_DEATH(lexer.putback(), "!full\\(\\)");
}

TEST(LexStream, CopyReadsWithItsOwnProcedure) {
  std::istringstream in("a b c");
  auto original = std::make_unique<lex_stream_t>(in, line_position_t());
  original->get();
  original->get();
  original->putback();
  lex_stream_t copy(*original);
  original.reset();  // a procedure bound to the original would now dangle
  EXPECT_EQ(describe(copy.get()), "identifier:b");
  EXPECT_EQ(describe(copy.get()), "identifier:c");
  EXPECT_EQ(describe(copy.get()), "eof");
}

TEST(CircularQueue, OverwritesTheOldestAndBringsBackPopped) {
  vesko::circular_queue<int> queue(2);
  EXPECT_TRUE(queue.empty());
  queue.push_back(1);
  queue.push_back(2);
  EXPECT_TRUE(queue.full());
  queue.push_back(3);  // over 1
  EXPECT_EQ(queue.size(), 2u);
  EXPECT_EQ(queue.front(), 2);
  queue.pop_front();
  queue.pop_front();
  EXPECT_TRUE(queue.empty());
  queue.putback();
  EXPECT_EQ(queue.front(), 3);
  queue.putback();
  EXPECT_EQ(queue.front(), 2);
  EXPECT_DEATH(queue.putback(), "!full\\(\\)");
  queue.clear();
  EXPECT_DEATH(queue.pop_front(), "!empty\\(\\)");
}

TEST(StreamError, MessagesAndPrintedPositions) {
  try {
    vesko::throw_parser_exception("x", "y", line_position_t("f.exp", 4));
  } catch (stream_error_t const& error) {
    EXPECT_STREQ(error.what(), "Expected \"x\", Found \"y\"");
    EXPECT_EQ(vesko::format_stream_error(error),
              "Expected \"x\", Found \"y\"\nFile: f.exp\n00005: \n      ^\n");
  }

  auto snippet = [](std::string line) {
    return std::make_shared<line_position_t::getline_proc_impl_t>(
        [line](name_t, std::streampos) { return line; });
  };
  struct Case {
    char const* line;
    std::streamoff position;
    char const* printed;
  } const cases[] = {
      // Three blanks are trimmed, the caret keeps its place under the text.
      {"\t  foo = 1;", 105, "00003: foo = 1;\n        ^\n"},
      {"\t  foo = 1;", 110, "00003: foo = 1;\n             ^\n"},
      // Without a position the caret goes under the last character.
      {"\t  foo = 1;", -1, "00003: foo = 1;\n              ^\n"},
      {"foo", -1, "00003: foo\n         ^\n"},
      {"   ", -1, "00003: \n      ^\n"},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.line);
    std::ostringstream out;
    out << line_position_t(name_t(), snippet(c.line), 3, 100, c.position);
    EXPECT_EQ(out.str(), c.printed);
  }
}
