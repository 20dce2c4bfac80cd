#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamb {

// One value of a call between the program and its movie.
struct Value {
  enum class Kind { kString, kNumber, kTrue, kFalse, kNull, kUndefined };

  Kind kind = Kind::kUndefined;
  // The bytes of a string, the decimal text of a number; empty otherwise.
  std::string text;

  static Value string(std::string text) { return {Kind::kString, std::move(text)}; }
  static Value number(std::string text) { return {Kind::kNumber, std::move(text)}; }
  bool isString() const { return kind == Kind::kString; }
  friend bool operator==(const Value&, const Value&) = default;
};

// A named call with its arguments, in either direction.
struct Invocation {
  std::string name;
  std::vector<Value> arguments;

  // A call whose arguments are all strings.
  static Invocation of(std::string name, const std::vector<std::string>& strings);
  // The texts of the string arguments, in order (others left out).
  std::vector<std::string> strings() const;
  friend bool operator==(const Invocation&, const Invocation&) = default;
};

// Limits on a request text; larger input is refused, so a hostile text
// costs at most linear time and bounded memory.
inline constexpr size_t kMaxRequestBytes = 16u << 20;
inline constexpr size_t kMaxRequestArguments = 1u << 16;
inline constexpr size_t kMaxRequestNameBytes = 1024;

// Appends text with &amp; &lt; &gt; &quot; &apos;, and control characters
// other than tab and newline as numeric references.
void appendXmlEscaped(std::string& out, std::string_view text);

// The request text of a call:
//   <invoke name="N"><arguments><string>…</string><number>1</number>…</arguments></invoke>
// with &amp; &lt; &gt; &quot; &apos; in names and texts, and control
// characters as numeric references.
std::string formatRequest(const Invocation& call);

// Reads a request text of the form above (white space allowed between the
// elements; <true/>, <false/>, <null/> and <undefined/> as further values;
// decimal and hexadecimal character references). nullopt, with a reason in
// *error, for anything else.
std::optional<Invocation> parseRequest(std::string_view text, std::string* error = nullptr);

}  // namespace tamb
