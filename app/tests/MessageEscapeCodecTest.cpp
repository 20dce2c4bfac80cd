#include "app/MessageEscapeCodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

const MessageEscapeCodec& codec() {
  static const MessageEscapeCodec c;
  return c;
}

}  // namespace

TEST(MessageEscapeCodec, EncodesTheSixCharacters) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a#b", "a#Ab"},    {"a<b>c", "a#Eb#Fc"}, {" & ", " #B "},
      {"\"", "#D"},       {"'", "#C"},          {"", ""},
      {"plain", "plain"}, {"##", "#A#A"},       {"\xC3\xA9<", "\xC3\xA9#E"},
  };
  for (const auto& c : cases) EXPECT_EQ(codec().encode(c.in), c.out) << c.in;
}

TEST(MessageEscapeCodec, DecodesEscapesAndForgivesTheRest) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"#E#F", "<>"},
      {"#x", "x"},
      {"##", "#"},
      {"abc#", "abc"},
      {"#A#B#C#D", "#&'\""},
      {"\xFF\x80", "\xFF\x80"},
      // A high byte is copied and leaves the escape pending for the A.
      {"#\xC3"
       "A",
       "\xC3#"},
  };
  for (const auto& c : cases) EXPECT_EQ(codec().decode(c.in), c.out) << c.in;
}

TEST(MessageEscapeCodec, TheTableHasOneHalfPerDirection) {
  EXPECT_EQ(codec().tableEntry(0), 0);
  EXPECT_EQ(codec().tableEntry(128), 0);
  const std::string escaped = "#&'\"<>";
  for (size_t i = 0; i < escaped.size(); ++i) {
    const auto c = static_cast<unsigned char>(escaped[i]);
    EXPECT_EQ(codec().tableEntry(128 + c), 'A' + i) << escaped[i];
    EXPECT_EQ(codec().tableEntry('A' + i), c) << escaped[i];
  }
  for (unsigned c = 1; c < 128; ++c) {
    if (escaped.find(static_cast<char>(c)) == std::string::npos) {
      EXPECT_EQ(codec().tableEntry(128 + c), c) << c;
    }
    if (c < 'A' || c > 'F') {
      EXPECT_EQ(codec().tableEntry(c), c) << c;
    }
  }
}

TEST(MessageEscapeCodec, AnyTextComesBackAndItsEncodedFormIsMarkupFree) {
  std::mt19937 random(20240611);
  // Biased towards the escaped characters, so they meet each other often.
  const std::string special = "#&'\"<>ABCDEF";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t length = random() % 64;
    for (size_t i = 0; i < length; ++i)
      text += random() % 2 ? special[random() % special.size()] : static_cast<char>(random() % 256);
    const std::string encoded = codec().encode(text);
    EXPECT_EQ(codec().decode(encoded), text);
    EXPECT_EQ(encoded.find_first_of("&'\"<>"), std::string::npos) << encoded;
    EXPECT_LE(encoded.size(), 2 * text.size());
  }
}

TEST(MessageEscapeCodec, BufferFormsStopAtTheTerminatorAndFitTheirBuffers) {
  for (size_t length : {size_t{0}, size_t{127}, size_t{128}, size_t{1000}}) {
    const std::string text(length, '<');
    std::vector<char> encoded(2 * length + 1, 'x');
    codec().encodeMessage(text.c_str(), encoded.data());
    EXPECT_EQ(std::string(encoded.data()), codec().encode(text));
    std::vector<char> decoded(2 * length + 1, 'x');
    codec().decodeMessage(encoded.data(), decoded.data());
    EXPECT_EQ(std::string(decoded.data()), text);
  }
  char out[8];
  codec().encodeMessage("a\0<", out);
  EXPECT_STREQ(out, "a");
}
