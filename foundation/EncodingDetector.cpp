#include "foundation/EncodingDetector.h"

#include "foundation/CZorbUnicodeConverter.h"

namespace {

bool isSpace(unsigned char b) {
  return b == ' ' || b == '\t' || b == '\r' || b == '\n' || b == '\f';
}

bool isQuote(unsigned char b) {
  return b == '"' || b == '\'';
}

unsigned char lower(unsigned char b) {
  return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

bool inRange(unsigned char b, unsigned char lo, unsigned char hi) {
  return b >= lo && b <= hi;
}

}  // namespace

AsciiDetector::AsciiDetector() : EncodingDetector(CZorbUnicodeConverter::GetDefaultEncoding()) {}

bool AsciiDetector::ScanByte(unsigned char byte) {
  if (byte >= 0x80 || (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')) {
    m_encoding = kNoEncoding;
    return false;
  }
  return true;
}

UTF8Detector::UTF8Detector() : EncodingDetector(CZorbUnicodeConverter::kUTF8) {}

bool UTF8Detector::ScanByte(unsigned char byte) {
  if (m_expected > 0) {
    if (!inRange(byte, 0x80, 0xBF)) {
      m_encoding = kNoEncoding;
      return false;
    }
    --m_expected;
    return true;
  }
  if (byte < 0x80) return true;
  // A continuation byte outside a sequence, or a byte that never starts
  // one, is not UTF-8: taking such text for UTF-8 would drop its letters.
  if (inRange(byte, 0xC2, 0xDF))
    m_expected = 1;
  else if (inRange(byte, 0xE0, 0xEF))
    m_expected = 2;
  else if (inRange(byte, 0xF0, 0xF4))
    m_expected = 3;
  else {
    m_encoding = kNoEncoding;
    return false;
  }
  return true;
}

MetaTagDetector::MetaTagDetector() : EncodingDetector(kNoEncoding) {}

bool MetaTagDetector::EndsWith(const char* word) const {
  const std::string_view w(word);
  return m_recent.size() >= w.size() &&
         m_recent.compare(m_recent.size() - w.size(), w.size(), w) == 0;
}

void MetaTagDetector::FinishValue() {
  if (m_value.empty()) return;
  std::u16string name(m_value.begin(), m_value.end());
  for (size_t i = 0; i < m_value.size(); ++i) name[i] = static_cast<unsigned char>(m_value[i]);
  m_value.clear();
  uint32_t encoding = 0;
  if (CZorbUnicodeConverter::GetEncodingFromCharsetName(
          name.c_str(), static_cast<uint32_t>(name.size()), encoding)) {
    m_encoding = encoding;
    m_state = State::Done;
  }
}

bool MetaTagDetector::ScanByte(unsigned char byte) {
  if (m_state == State::Done) return false;
  m_recent.push_back(static_cast<char>(lower(byte)));
  if (m_recent.size() > 16) m_recent.erase(0, m_recent.size() - 16);

  switch (m_state) {
    case State::Outside:
      if (EndsWith("</head>")) {
        m_state = State::Done;
        return false;
      }
      if (EndsWith("<meta")) m_state = State::MetaName;
      break;
    case State::MetaName:
      // "<meta" must be the whole element name.
      m_state = isSpace(byte) || byte == '/' ? State::InMeta : State::Outside;
      break;
    case State::InMeta:
      if (byte == '>')
        m_state = State::Outside;
      else if (EndsWith("charset=")) {
        m_state = State::Value;
        m_value.clear();
      }
      break;
    case State::Value:
      if (m_value.empty() && isQuote(byte)) break;
      if (isSpace(byte) || isQuote(byte) || byte == '>') {
        m_state = byte == '>' ? State::Outside : State::InMeta;
        FinishValue();
      } else {
        m_value.push_back(static_cast<char>(byte));
        if (m_value.size() >= 512) {
          m_state = State::InMeta;
          FinishValue();
        }
      }
      break;
    case State::Done:
      break;
  }
  return m_state != State::Done;
}

JapaneseDetector::JapaneseDetector() : EncodingDetector(kNoEncoding) {}

bool JapaneseDetector::ScanByte(unsigned char b) {
  const uint32_t sjis = CZorbUnicodeConverter::kShiftJIS;
  const uint32_t euc = CZorbUnicodeConverter::kEUCJP;
  switch (m_state) {
    case State::Start:
      if (b == 0x1B)
        m_encoding = CZorbUnicodeConverter::kISO2022JP;
      else if (inRange(b, 0x81, 0x8D) || inRange(b, 0x8F, 0x9F))
        m_encoding = sjis;
      else if (inRange(b, 0xF0, 0xFE))
        m_encoding = euc;
      else if (b == 0x8E)
        m_state = State::After8E;
      else if (inRange(b, 0xA1, 0xDF))
        m_state = State::AfterA1toDF;
      else if (inRange(b, 0xE0, 0xEF))
        m_state = State::AfterE0toEF;
      break;
    case State::After8E:
      if (inRange(b, 0x40, 0x7E) || inRange(b, 0x80, 0xA0) || inRange(b, 0xE0, 0xFC))
        m_encoding = sjis;
      break;
    case State::AfterE0toEF:
      if (inRange(b, 0x40, 0x7E) || inRange(b, 0x80, 0xA0))
        m_encoding = sjis;
      else if (b == 0xFD || b == 0xFE)
        m_encoding = euc;
      break;
    case State::AfterA1toDF:
      if (inRange(b, 0xF0, 0xFE))
        m_encoding = euc;
      else if (inRange(b, 0xE0, 0xEF))
        m_state = State::AfterA1toDFThenE0toEF;
      break;
    case State::AfterA1toDFThenE0toEF:
      if (inRange(b, 0x81, 0x8D) || inRange(b, 0x8F, 0x9F))
        m_encoding = sjis;
      else if (b == 0xFD || b == 0xFE)
        m_encoding = euc;
      break;
  }
  return true;
}
