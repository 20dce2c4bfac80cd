#include "app/MessageEscapeCodec.h"

#include <cstring>

namespace {

constexpr unsigned char kEscape = '#';

// The escaped characters in letter order A to F.
constexpr unsigned char kEscaped[] = {'#', '&', '\'', '"', '<', '>'};

}  // namespace

void MessageEscapeCodec::initConversionTable() {
  std::memset(m_table, 0, sizeof m_table);
  for (unsigned c = 1; c < 128; ++c) {
    m_table[c] = static_cast<unsigned char>(c);
    m_table[128 + c] = static_cast<unsigned char>(c);
  }
  for (unsigned i = 0; i < sizeof kEscaped; ++i) {
    const unsigned char letter = static_cast<unsigned char>('A' + i);
    m_table[128 + kEscaped[i]] = letter;
    m_table[letter] = kEscaped[i];
  }
}

void MessageEscapeCodec::encodeMessage(const char* in, char* out) const {
  const std::string encoded = encode(std::string_view(in));
  std::memcpy(out, encoded.c_str(), encoded.size() + 1);
}

void MessageEscapeCodec::decodeMessage(const char* in, char* out) const {
  const std::string decoded = decode(std::string_view(in));
  std::memcpy(out, decoded.c_str(), decoded.size() + 1);
}

std::string MessageEscapeCodec::encode(std::string_view in) const {
  std::string out;
  out.reserve(in.size() + in.size() / 4);
  for (char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80 && m_table[128 + c] != c) {
      out += static_cast<char>(kEscape);
      out += static_cast<char>(m_table[128 + c]);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string MessageEscapeCodec::decode(std::string_view in) const {
  std::string out;
  out.reserve(in.size());
  bool pending = false;
  for (char ch : in) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) {
      out += ch;
    } else if (pending) {
      // Index 0 holds 0, so "#" and a zero byte give the zero byte back.
      out += static_cast<char>(m_table[c]);
      pending = false;
    } else if (c == kEscape) {
      pending = true;
    } else {
      out += ch;
    }
  }
  return out;
}
