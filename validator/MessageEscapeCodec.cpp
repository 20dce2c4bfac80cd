#include "validator/MessageEscapeCodec.h"

#include <cstring>

namespace nimbrel {

namespace {

constexpr unsigned char kEscape = '#';
constexpr unsigned char kHighHalf = 0x80;
// The escaped characters, in the order of their letters A to F.
constexpr unsigned char kEscaped[] = {'#', '&', '\'', '"', '<', '>'};

}  // namespace

void MessageEscapeCodec::initConversionTable() {
  std::memset(m_table, 0, sizeof(m_table));
  for (unsigned c = 1; c < kHighHalf; ++c) {
    m_table[c] = static_cast<unsigned char>(c);
    m_table[kHighHalf + c] = static_cast<unsigned char>(c);
  }
  unsigned char letter = 'A';
  for (unsigned char c : kEscaped) {
    m_table[kHighHalf + c] = letter;
    m_table[letter] = c;
    ++letter;
  }
}

std::string MessageEscapeCodec::encodeMessage(std::string_view in) const {
  std::string out;
  out.reserve(in.size());
  for (char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < kHighHalf && c != 0 && m_table[kHighHalf + c] != c) {
      out += static_cast<char>(kEscape);
      out += static_cast<char>(m_table[kHighHalf + c]);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string MessageEscapeCodec::decodeMessage(std::string_view in) const {
  std::string out;
  out.reserve(in.size());
  bool pending = false;
  for (char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= kHighHalf) {
      out += ch;
    } else if (pending) {
      // Letters A to F give their characters back; any other byte itself.
      out += static_cast<char>(m_table[c] ? m_table[c] : c);
      pending = false;
    } else if (c == kEscape) {
      pending = true;
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace nimbrel
