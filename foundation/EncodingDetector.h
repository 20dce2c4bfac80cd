#pragma once

#include <cstdint>
#include <string>

// Byte-by-byte encoding detectors. Each holds a candidate encoding;
// kNoEncoding means none.
class EncodingDetector {
 public:
  static constexpr uint32_t kNoEncoding = 0xFFFFFFFFu;

  explicit EncodingDetector(uint32_t candidate) : m_encoding(candidate) {}
  virtual ~EncodingDetector() = default;

  // Takes the next byte; false once the detector has decided.
  virtual bool ScanByte(unsigned char byte) = 0;

  uint32_t GetEncoding() const { return m_encoding; }

 protected:
  uint32_t m_encoding;
};

// Keeps the default encoding while every byte is printable ASCII, tab, line
// feed or carriage return.
class AsciiDetector : public EncodingDetector {
 public:
  AsciiDetector();
  bool ScanByte(unsigned char byte) override;
};

// Keeps UTF-8 while the bytes form UTF-8 sequences. A sequence cut off by the
// end of the buffer is not held against it.
class UTF8Detector : public EncodingDetector {
 public:
  UTF8Detector();
  bool ScanByte(unsigned char byte) override;

 private:
  int m_expected = 0;
};

// Finds the charset of a meta element before the end of the head element.
class MetaTagDetector : public EncodingDetector {
 public:
  MetaTagDetector();
  bool ScanByte(unsigned char byte) override;

 private:
  enum class State { Outside, MetaName, InMeta, Value, Done };

  bool EndsWith(const char* word) const;
  void FinishValue();

  State m_state = State::Outside;
  std::string m_recent;  // the last few bytes, lower-cased
  std::string m_value;
};

// Classifies Japanese text as ISO-2022-JP, Shift-JIS or EUC-JP; it never stops
// scanning and a later decision replaces an earlier one.
class JapaneseDetector : public EncodingDetector {
 public:
  JapaneseDetector();
  bool ScanByte(unsigned char byte) override;

 private:
  enum class State { Start, After8E, AfterE0toEF, AfterA1toDF, AfterA1toDFThenE0toEF };
  State m_state = State::Start;
};
