#include "platform/os/TextConverter.h"

#include <iconv.h>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/os/MacCjkExtras.h"
#include "platform/os/MacSingleByteTables.h"

namespace platform {

class TextConversion::Codec {
 public:
  virtual ~Codec() = default;
  virtual TextConvertResult convert(const void* in, size_t inBytes, void* out, size_t outBytes) = 0;
  virtual TextConvertResult finish(void* out, size_t outBytes) = 0;
  virtual void reset() = 0;
};

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char* kHostUTF16 = "UTF-16LE";
#else
constexpr const char* kHostUTF16 = "UTF-16BE";
#endif

bool isHighSurrogate(char16_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool isLowSurrogate(char16_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Classifies a stop in UTF-16 input at unit offset `at`: a broken surrogate
// is malformed input, a high surrogate at the very end is incomplete, any
// other character is simply not mappable.
int32_t classifyUnicodeStop(const char16_t* units, size_t count, size_t at) {
  if (at >= count) return textstatus::kIncompleteElement;
  const char16_t u = units[at];
  if (isLowSurrogate(u)) return textstatus::kMalformedInput;
  if (isHighSurrogate(u)) {
    if (at + 1 >= count) return textstatus::kIncompleteElement;
    if (!isLowSurrogate(units[at + 1])) return textstatus::kMalformedInput;
  }
  return textstatus::kUnmappableElement;
}

class IconvCodec : public TextConversion::Codec {
 public:
  IconvCodec(iconv_t cd, TextDirection direction) : cd_(cd), direction_(direction) {}
  ~IconvCodec() override { iconv_close(cd_); }

  TextConvertResult convert(const void* in, size_t inBytes, void* out, size_t outBytes) override {
    TextConvertResult result;
    if (inBytes == 0) return result;
    char* inPtr = const_cast<char*>(static_cast<const char*>(in));
    size_t inLeft = inBytes;
    char* outPtr = static_cast<char*>(out);
    size_t outLeft = outBytes;
    const size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
    const int err = errno;
    result.bytesRead = inBytes - inLeft;
    result.bytesWritten = outBytes - outLeft;
    if (rc != static_cast<size_t>(-1)) return result;
    switch (err) {
      case E2BIG:
        result.status = textstatus::kOutputBufferFull;
        break;
      case EINVAL:
        result.status = textstatus::kIncompleteElement;
        break;
      case EILSEQ:
        if (direction_ == TextDirection::ToUnicode) {
          result.status = textstatus::kMalformedInput;
        } else {
          result.status = classifyUnicodeStop(static_cast<const char16_t*>(in), inBytes / 2,
                                              result.bytesRead / 2);
        }
        break;
      default:
        result.status = textstatus::kMalformedInput;
        break;
    }
    return result;
  }

  TextConvertResult finish(void* out, size_t outBytes) override {
    TextConvertResult result;
    char* outPtr = static_cast<char*>(out);
    size_t outLeft = outBytes;
    if (iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
      result.status = textstatus::kOutputBufferFull;
    }
    result.bytesWritten = outBytes - outLeft;
    if (result.status == textstatus::kOk) reset();
    return result;
  }

  void reset() override { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
  TextDirection direction_;
};

// A Mac single-byte encoding: ASCII below 0x80, a 128-entry table above.
class TableCodec : public TextConversion::Codec {
 public:
  TableCodec(const char16_t* high, TextDirection direction) : high_(high), direction_(direction) {
    if (direction_ == TextDirection::FromUnicode) {
      // The tables give every character one byte, so this is exact.
      for (unsigned i = 0; i < 128; ++i) {
        if (high_[i] >= 0x80) reverse_[high_[i]] = static_cast<unsigned char>(0x80 + i);
      }
    }
  }

  TextConvertResult convert(const void* in, size_t inBytes, void* out, size_t outBytes) override {
    return direction_ == TextDirection::ToUnicode ? decode(in, inBytes, out, outBytes)
                                                  : encode(in, inBytes, out, outBytes);
  }

  TextConvertResult finish(void*, size_t) override { return {}; }
  void reset() override {}

 private:
  TextConvertResult decode(const void* in, size_t inBytes, void* out, size_t outBytes) {
    TextConvertResult result;
    const auto* bytes = static_cast<const unsigned char*>(in);
    auto* units = static_cast<char16_t*>(out);
    const size_t room = outBytes / 2;
    size_t i = 0;
    for (; i < inBytes; ++i) {
      if (i >= room) {
        result.status = textstatus::kOutputBufferFull;
        break;
      }
      const unsigned char b = bytes[i];
      const char16_t u = b < 0x80 ? b : high_[b - 0x80];
      if (u == 0 && b != 0) {
        result.status = textstatus::kUndefinedElement;
        break;
      }
      units[i] = u;
    }
    result.bytesRead = i;
    result.bytesWritten = i * 2;
    return result;
  }

  TextConvertResult encode(const void* in, size_t inBytes, void* out, size_t outBytes) {
    TextConvertResult result;
    const auto* units = static_cast<const char16_t*>(in);
    const size_t count = inBytes / 2;
    auto* bytes = static_cast<unsigned char*>(out);
    size_t i = 0;
    for (; i < count; ++i) {
      if (i >= outBytes) {
        result.status = textstatus::kOutputBufferFull;
        break;
      }
      const char16_t u = units[i];
      if (u < 0x80) {
        bytes[i] = static_cast<unsigned char>(u);
        continue;
      }
      const auto it = reverse_.find(u);
      if (it == reverse_.end()) {
        result.status = classifyUnicodeStop(units, count, i);
        break;
      }
      bytes[i] = it->second;
    }
    if (result.status == textstatus::kOk && i == count && inBytes % 2 != 0) {
      result.status = textstatus::kIncompleteElement;
    }
    result.bytesRead = i * 2;
    result.bytesWritten = i;
    return result;
  }

  const char16_t* high_;
  TextDirection direction_;
  std::unordered_map<char16_t, unsigned char> reverse_;
};

// A Mac CJK encoding: its double-byte part through iconv, and the one-byte
// characters the Mac adds, which take precedence where a character starts.
class MacCjkCodec : public TextConversion::Codec {
 public:
  MacCjkCodec(std::unique_ptr<TextConversion::Codec> doubleByte, const MacCjkExtras& extras,
              TextDirection direction)
      : doubleByte_(std::move(doubleByte)), extras_(extras), direction_(direction) {}

  TextConvertResult convert(const void* in, size_t inBytes, void* out, size_t outBytes) override {
    return direction_ == TextDirection::ToUnicode ? decode(in, inBytes, out, outBytes)
                                                  : encode(in, inBytes, out, outBytes);
  }
  TextConvertResult finish(void* out, size_t outBytes) override {
    return doubleByte_->finish(out, outBytes);
  }
  void reset() override { doubleByte_->reset(); }

 private:
  const MacCjkExtra* extraOfByte(unsigned char b) const {
    for (size_t k = 0; k < extras_.count; ++k) {
      if (extras_.items[k].byte == b) return &extras_.items[k];
    }
    return nullptr;
  }

  // The extra whose units start at units[at], the longer form first.
  const MacCjkExtra* extraAt(const char16_t* units, size_t count, size_t at) const {
    const MacCjkExtra* single = nullptr;
    for (size_t k = 0; k < extras_.count; ++k) {
      const MacCjkExtra& e = extras_.items[k];
      if (e.units[0] != units[at]) continue;
      if (e.units[1] == 0)
        single = &e;
      else if (at + 1 < count && units[at + 1] == e.units[1])
        return &e;
    }
    return single;
  }

  TextConvertResult decode(const void* in, size_t inBytes, void* out, size_t outBytes) {
    const auto* bytes = static_cast<const unsigned char*>(in);
    auto* units = static_cast<char16_t*>(out);
    size_t read = 0, written = 0;
    while (read < inBytes) {
      // The characters up to the next extra go to the double-byte part.
      size_t end = read;
      while (end < inBytes && !extraOfByte(bytes[end]))
        end += extras_.isLeadByte(bytes[end]) && end + 1 < inBytes ? 2 : 1;
      if (end > read) {
        const TextConvertResult r =
            doubleByte_->convert(bytes + read, end - read, units + written / 2, outBytes - written);
        read += r.bytesRead;
        written += r.bytesWritten;
        if (r.status != textstatus::kOk) return {r.status, read, written};
        continue;
      }
      const MacCjkExtra& extra = *extraOfByte(bytes[read]);
      const size_t length = extra.units[1] ? 2 : 1;
      if (outBytes - written < length * 2) return {textstatus::kOutputBufferFull, read, written};
      for (size_t k = 0; k < length; ++k) units[written / 2 + k] = extra.units[k];
      written += length * 2;
      ++read;
    }
    return {textstatus::kOk, read, written};
  }

  TextConvertResult encode(const void* in, size_t inBytes, void* out, size_t outBytes) {
    const auto* units = static_cast<const char16_t*>(in);
    const size_t count = inBytes / 2;
    auto* bytes = static_cast<unsigned char*>(out);
    size_t read = 0, written = 0;
    while (read < count) {
      size_t end = read;
      while (end < count && !extraAt(units, count, end)) ++end;
      if (end > read) {
        TextConvertResult r = doubleByte_->convert(units + read, (end - read) * 2, bytes + written,
                                                   outBytes - written);
        read += r.bytesRead / 2;
        written += r.bytesWritten;
        // A high surrogate cut off by an extra is broken, not unfinished.
        if (r.status == textstatus::kIncompleteElement && end < count)
          r.status = textstatus::kMalformedInput;
        if (r.status != textstatus::kOk) return {r.status, read * 2, written};
        continue;
      }
      const MacCjkExtra& extra = *extraAt(units, count, read);
      if (written >= outBytes) return {textstatus::kOutputBufferFull, read * 2, written};
      bytes[written++] = extra.byte;
      read += extra.units[1] ? 2 : 1;
    }
    const int32_t status = inBytes % 2 ? textstatus::kIncompleteElement : textstatus::kOk;
    return {status, read * 2, written};
  }

  std::unique_ptr<TextConversion::Codec> doubleByte_;
  MacCjkExtras extras_;
  TextDirection direction_;
};

std::unique_ptr<TextConversion::Codec> makeCodec(TextEncoding encoding, TextDirection direction) {
  const std::string name = iconvNameForEncoding(encoding);
  if (!name.empty()) {
    const bool toUnicode = direction == TextDirection::ToUnicode;
    iconv_t cd =
        toUnicode ? iconv_open(kHostUTF16, name.c_str()) : iconv_open(name.c_str(), kHostUTF16);
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    auto codec = std::make_unique<IconvCodec>(cd, direction);
    const MacCjkExtras extras = macCjkExtras(textEncodingBase(encoding));
    if (extras.items) return std::make_unique<MacCjkCodec>(std::move(codec), extras, direction);
    return codec;
  }
  if (const char16_t* table = macSingleByteTable(textEncodingBase(encoding))) {
    return std::make_unique<TableCodec>(table, direction);
  }
  return nullptr;
}

// Idle converters by encoding and direction. Each run takes one out, so
// concurrent runs get converters of their own.
class CodecCache {
 public:
  std::unique_ptr<TextConversion::Codec> take(TextEncoding encoding, TextDirection direction) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = idle_.find(key(encoding, direction));
      if (it != idle_.end() && !it->second.empty()) {
        auto codec = std::move(it->second.back());
        it->second.pop_back();
        return codec;
      }
    }
    return makeCodec(encoding, direction);
  }

  void give(TextEncoding encoding, TextDirection direction,
            std::unique_ptr<TextConversion::Codec> codec) {
    codec->reset();
    std::lock_guard<std::mutex> lock(mutex_);
    auto& slot = idle_[key(encoding, direction)];
    if (slot.size() < kMaxIdle) slot.push_back(std::move(codec));
  }

 private:
  static constexpr size_t kMaxIdle = 4;
  static uint64_t key(TextEncoding encoding, TextDirection direction) {
    return (static_cast<uint64_t>(encoding) << 1) |
           (direction == TextDirection::FromUnicode ? 1u : 0u);
  }

  std::mutex mutex_;
  std::map<uint64_t, std::vector<std::unique_ptr<TextConversion::Codec>>> idle_;
};

CodecCache& cache() {
  // Never destroyed: conversions may run while static objects are torn down.
  static CodecCache* instance = new CodecCache;
  return *instance;
}

}  // namespace

TextConversion::TextConversion(TextEncoding encoding, TextDirection direction)
    : encoding_(encoding), direction_(direction), codec_(cache().take(encoding, direction)) {}

TextConversion::~TextConversion() {
  if (codec_) cache().give(encoding_, direction_, std::move(codec_));
}

TextConvertResult TextConversion::convert(const void* in, size_t inBytes, void* out,
                                          size_t outBytes) {
  if (!codec_) return {textstatus::kNoConversionPath, 0, 0};
  return codec_->convert(in, inBytes, out, outBytes);
}

TextConvertResult TextConversion::finish(void* out, size_t outBytes) {
  if (!codec_) return {textstatus::kNoConversionPath, 0, 0};
  return codec_->finish(out, outBytes);
}

void TextConversion::reset() {
  if (codec_) codec_->reset();
}

}  // namespace platform
