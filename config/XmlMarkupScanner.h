#pragma once

#include <cstddef>
#include <string_view>

// Follows where a text stands in the markup of the hosts' lenient XML, unit
// by unit and across calls, since a start tag, a comment or a section may go
// on over several lines. Only inside a start tag is a bare word an
// attribute, and only there may the readers and writers of host files
// rewrite one; comments, instructions, quoted values and CDATA sections keep
// their text. A "<" before "%" or after "+" is the hosts' script syntax in
// character data, not markup.
class XmlMarkupScanner {
 public:
  enum class State { kText, kStartTag, kQuoted, kComment, kInstruction, kMarkup, kCData };

  State state() const { return m_state; }
  void Reset() { m_state = State::kText; }

  // Takes the units of in that start at i and returns how many it took: the
  // whole "<![CDATA[" or "]]>" that opens or ends a section, else one unit.
  size_t Step(std::u16string_view in, size_t i);
  // The first position at or after i where Step may change the state
  // (in.size() when there is none): the units before it leave it alone.
  size_t NextStop(std::u16string_view in, size_t i) const;

  // Whether token stands at i as one attribute of a start tag: a blank or
  // a tab before it (or the start of the line), and a blank, a tab, "/",
  // ">" or the end of the line after it.
  static bool AttributeAt(std::u16string_view in, size_t i, std::u16string_view token);

 private:
  State m_state = State::kText;
  char16_t m_quote = 0;
};
