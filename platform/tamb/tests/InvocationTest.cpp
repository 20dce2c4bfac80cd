#include "platform/tamb/Invocation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using tamb::Invocation;
using tamb::Value;

TEST(RequestText, FormatsTheInvokeElement) {
  const Invocation call = Invocation::of("brioCallBack", {"-1", "a<b & \"c\"", ""});
  EXPECT_EQ(tamb::formatRequest(call),
            "<invoke name=\"brioCallBack\"><arguments><string>-1</string>"
            "<string>a&lt;b &amp; &quot;c&quot;</string><string></string></arguments></invoke>");
}

TEST(RequestText, AnyBytesSurviveFormatThenParse) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    Invocation call;
    call.name = "n" + std::to_string(round);
    const int count = static_cast<int>(random() % 5);
    for (int i = 0; i < count; ++i) {
      std::string text;
      const int length = static_cast<int>(random() % 40);
      for (int k = 0; k < length; ++k) text += static_cast<char>(random() % 256);
      call.arguments.push_back(i % 3 == 2 ? Value::number(std::to_string(random() % 1000))
                                          : Value::string(text));
    }
    if (round % 7 == 0) call.arguments.push_back({Value::Kind::kNull, ""});
    const auto back = tamb::parseRequest(tamb::formatRequest(call));
    ASSERT_TRUE(back.has_value()) << round;
    EXPECT_EQ(*back, call) << round;
  }
}

TEST(RequestText, ReadsWhatAMovieWrites) {
  struct Case {
    const char* text;
    Invocation expected;
  };
  const Case cases[] = {
      {"<invoke name='x'/>", Invocation{"x", {}}},
      {"  <invoke name=\"x\" returntype=\"xml\">\n <arguments/> </invoke> ", Invocation{"x", {}}},
      {"<invoke name=\"x\"><arguments><string/><true/><false/><undefined/></arguments></invoke>",
       Invocation{"x",
                  {Value::string(""),
                   {Value::Kind::kTrue, ""},
                   {Value::Kind::kFalse, ""},
                   {Value::Kind::kUndefined, ""}}}},
      {"<invoke name=\"a&amp;b\"><arguments><number>12</number>"
       "<string>&#65;&#x42;&#xe9;&apos;</string></arguments></invoke>",
       Invocation{"a&b", {Value::number("12"), Value::string("AB\xC3\xA9'")}}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto call = tamb::parseRequest(c.text, &error);
    ASSERT_TRUE(call.has_value()) << c.text << ": " << error;
    EXPECT_EQ(*call, c.expected) << c.text;
  }
}

TEST(RequestText, RefusesWhatIsNotARequest) {
  const char* bad[] = {
      "",
      "<call name=\"x\"/>",
      "<invoke/>",
      "<invoke name=\"\"/>",
      "<invoke name=x/>",
      "<invoke name=\"x\"><arguments><string>a</number></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>a<b/></string></arguments></invoke>",
      "<invoke name=\"x\"><arguments><object/></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>&bogus;</string></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>&#xD800;</string></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>&#1114112;</string></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>&#;</string></arguments></invoke>",
      "<invoke name=\"x\"><arguments><string>open",
      "<invoke name=\"x\"/><invoke name=\"y\"/>",
      "<invoke name=\"x\">",
  };
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(tamb::parseRequest(text, &error).has_value()) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(RequestText, LimitsBoundWhatATextMayCost) {
  std::string many = "<invoke name=\"x\"><arguments>";
  for (size_t i = 0; i <= tamb::kMaxRequestArguments; ++i) many += "<null/>";
  many += "</arguments></invoke>";
  std::string error;
  EXPECT_FALSE(tamb::parseRequest(many, &error).has_value());
  EXPECT_NE(error.find("too many"), std::string::npos);

  const std::string longName =
      "<invoke name=\"" + std::string(tamb::kMaxRequestNameBytes + 1, 'n') + "\"/>";
  EXPECT_FALSE(tamb::parseRequest(longName).has_value());
  EXPECT_FALSE(tamb::parseRequest(std::string(tamb::kMaxRequestBytes + 1, ' ')).has_value());
}
