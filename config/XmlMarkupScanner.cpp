#include "config/XmlMarkupScanner.h"

namespace {

constexpr std::u16string_view kSectionStart = u"<![CDATA[";
constexpr std::u16string_view kSectionEnd = u"]]>";

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

bool IsNameStart(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || ch == u'_' || ch == u':' ||
         ch >= 0x80;
}

// The ">" at i closes what opened with the two units before it.
bool ClosesAfter(std::u16string_view in, size_t i, char16_t first, char16_t second) {
  return i >= 2 && in[i - 2] == first && in[i - 1] == second;
}

}  // namespace

size_t XmlMarkupScanner::Step(std::u16string_view in, size_t i) {
  const char16_t ch = in[i];
  switch (m_state) {
    case State::kCData:
      if (ch == u']' && in.substr(i, kSectionEnd.size()) == kSectionEnd) {
        m_state = State::kText;
        return kSectionEnd.size();
      }
      break;
    case State::kText: {
      if (ch != u'<') break;
      const char16_t next = i + 1 < in.size() ? in[i + 1] : 0;
      const bool plus = i > 0 && in[i - 1] == u'+';
      if (plus || next == u'%') break;  // script, not markup
      if (in.substr(i, kSectionStart.size()) == kSectionStart) {
        m_state = State::kCData;
        return kSectionStart.size();
      }
      if (next == u'!')
        m_state = in.substr(i, 4) == u"<!--" ? State::kComment : State::kMarkup;
      else if (next == u'?')
        m_state = State::kInstruction;
      else if (next == u'/')
        m_state = State::kMarkup;
      else if (IsNameStart(next))
        m_state = State::kStartTag;
      break;
    }
    case State::kStartTag:
      if (ch == u'"' || ch == u'\'') {
        m_quote = ch;
        m_state = State::kQuoted;
      } else if (ch == u'>') {
        m_state = State::kText;
      }
      break;
    case State::kQuoted:
      if (ch == m_quote) m_state = State::kStartTag;
      break;
    case State::kComment:
      if (ch == u'>' && ClosesAfter(in, i, u'-', u'-')) m_state = State::kText;
      break;
    case State::kInstruction:
      if (ch == u'>' && i >= 1 && in[i - 1] == u'?') m_state = State::kText;
      break;
    case State::kMarkup:
      if (ch == u'>') m_state = State::kText;
      break;
  }
  return 1;
}

size_t XmlMarkupScanner::NextStop(std::u16string_view in, size_t i) const {
  size_t next = std::u16string_view::npos;
  switch (m_state) {
    case State::kText:
      next = in.find(u'<', i);
      break;
    case State::kStartTag:
      next = in.find_first_of(u"\"'>", i);
      break;
    case State::kQuoted:
      next = in.find(m_quote, i);
      break;
    case State::kCData:
      next = in.find(u']', i);
      break;
    case State::kComment:
    case State::kInstruction:
    case State::kMarkup:
      next = in.find(u'>', i);
      break;
  }
  return next == std::u16string_view::npos ? in.size() : next;
}

bool XmlMarkupScanner::AttributeAt(std::u16string_view in, size_t i, std::u16string_view token) {
  if (in.substr(i, token.size()) != token || (i > 0 && !IsBlank(in[i - 1]))) return false;
  const size_t after = i + token.size();
  return after == in.size() || IsBlank(in[after]) || in[after] == u'/' || in[after] == u'>';
}
