#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A list of locale names in a given order.
class CLocaleList {
 public:
  CLocaleList() = default;
  // Fills the list with FromString(text).
  explicit CLocaleList(const char* text);

  size_t size() const { return m_items.size(); }
  bool empty() const { return m_items.empty(); }
  const std::string& operator[](size_t i) const { return m_items[i]; }
  void AddLocale(const std::string& name) { m_items.push_back(name); }
  void clear() { m_items.clear(); }

  // Replaces the list by the names in text: runs of letters, digits, "_"
  // and "-", separated by anything else ("en_US;de, fr" gives three).
  // Returns the number of names; a null text gives 0.
  size_t FromString(const char* text);

 private:
  std::vector<std::string> m_items;
};
