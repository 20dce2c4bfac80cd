#include "validator/MessageEscapeCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nimbrel::MessageEscapeCodec;

TEST(MessageEscapeCodec, EncodesTheSixCharactersAndNothingElse) {
  const MessageEscapeCodec codec;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a#b", "a#Ab"},
      {"a<b>c", "a#Eb#Fc"},
      {" & ", " #B "},
      {"\"'", "#D#C"},
      {"plain text 123", "plain text 123"},
      {"\xC3\xA9#", "\xC3\xA9#A"},
      {"", ""},
  };
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(codec.encodeMessage(text), encoded) << text;
    EXPECT_EQ(codec.decodeMessage(encoded), text) << encoded;
  }
}

TEST(MessageEscapeCodec, DecodesLooseEscapesAsTheProgramDoes) {
  const MessageEscapeCodec codec;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"#E#F", "<>"},
      {"#x", "x"},
      {"##", "#"},
      {"abc#", "abc"},
      // A high byte passes and leaves the escape pending for the next.
      {"#\xC3"
       "A",
       "\xC3#"},
  };
  for (const auto& [encoded, text] : cases)
    EXPECT_EQ(codec.decodeMessage(encoded), text) << encoded;
}

TEST(MessageEscapeCodec, TheTableHoldsBothHalves) {
  const MessageEscapeCodec codec;
  EXPECT_EQ(codec.tableEntry(128 + '#'), 'A');
  EXPECT_EQ(codec.tableEntry(128 + '>'), 'F');
  EXPECT_EQ(codec.tableEntry('A'), '#');
  EXPECT_EQ(codec.tableEntry('F'), '>');
  EXPECT_EQ(codec.tableEntry('G'), 'G');
  EXPECT_EQ(codec.tableEntry(128 + 'a'), 'a');
  EXPECT_EQ(codec.tableEntry(0), 0);
}

}  // namespace
