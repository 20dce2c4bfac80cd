#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// One value of an XML property list (an application's Info.plist). Strings,
// integers, reals and dates keep their text (UTF-8); booleans read "true"
// or "false"; data is kept as its base64 text.
struct PlistValue {
  enum Kind { String, Integer, Real, Boolean, Date, Data, Array, Dict };
  // Declared here and defined where the type is complete, so that every
  // compiler accepts the members below.
  PlistValue();
  PlistValue(const PlistValue&);
  PlistValue(PlistValue&&) noexcept;
  PlistValue& operator=(const PlistValue&);
  PlistValue& operator=(PlistValue&&) noexcept;
  ~PlistValue();
  Kind kind = String;
  std::string text;
  std::vector<PlistValue> items;                            // Array
  std::vector<std::pair<std::string, PlistValue>> entries;  // Dict, in file order

  // Dict lookups: the first entry of that key, or null; the text of a
  // string-like entry, or "" when there is none.
  const PlistValue* find(std::string_view key) const;
  std::string string(std::string_view key) const;
  // The texts of an array entry (a lone string counts as a list of one).
  std::vector<std::string> strings(std::string_view key) const;
};

// Parses a property list whose root value is a dictionary. False, with a
// short description in error, for text that is not one.
[[nodiscard]] bool parsePropertyList(std::string_view text, PlistValue& root,
                                     std::string* error = nullptr);
[[nodiscard]] bool readPropertyListFile(const std::string& path, PlistValue& root,
                                        std::string* error = nullptr);

}  // namespace platform
