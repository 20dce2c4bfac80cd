#pragma once

#include <string>

// A locale identifier: language, script and region, as in "zh-Hant-TW".
// Empty after clear() and after a failed parse.
class LocaleId {
 public:
  LocaleId() = default;
  // Parses text (null gives the empty identifier).
  explicit LocaleId(const char* text);

  // Reads "en_US", "zh-Hant", "sr_Latn_RS", ...: tokens of letters and
  // digits between separators, assigned by length (2 or 3: language, then
  // region; 4 after the language: script). False, leaving the identifier
  // empty, for a text that is null or does not fit.
  bool fromString(const char* text);

  // The full name: "en-US", "sr-Cyrl", "zh-TW".
  std::string getName() const;
  // The language, with its script for languages written in several
  // scripts: "en", "zh-Hant".
  std::string getParentName() const;
  bool isEqual(const LocaleId& other) const;
  bool hasSameParent(const LocaleId& other) const;
  void clear();

  const std::string& language() const { return m_language; }
  const std::string& script() const { return m_script; }
  const std::string& region() const { return m_region; }

  // Languages written in more than one script, which name theirs always,
  // or whenever the identifier has no region.
  static bool needScriptAlways(const std::string& language);
  static bool needScriptIfNoRegion(const std::string& language);

 private:
  void fillScript();

  std::string m_language;
  std::string m_script;
  std::string m_region;
};
