#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/os/TextEncodings.h"

namespace platform {

enum class TextDirection {
  ToUnicode,    // bytes in the encoding -> UTF-16 in host byte order
  FromUnicode,  // UTF-16 in host byte order -> bytes in the encoding
};

struct TextConvertResult {
  int32_t status = textstatus::kOk;  // a textstatus value
  size_t bytesRead = 0;
  size_t bytesWritten = 0;
};

// One conversion run between UTF-16 (char16_t, host byte order) and bytes in
// one encoding. It takes a converter for the encoding and direction from a
// process-wide cache (or makes one) and hands it back, reset, when destroyed,
// so runs on different threads never share a converter. Shift state carries
// from one `convert` to the next until `finish`.
//
// `convert` stops at the first problem and says where through the counts:
//  - kMalformedInput: the input is not valid in its encoding at bytesRead;
//  - kUndefinedElement: a byte at bytesRead has no character (table encodings);
//  - kUnmappableElement: the character at bytesRead has no form in the encoding;
//  - kIncompleteElement: the input ends inside a character (bytesRead stops
//    before it, so the caller can carry the tail on);
//  - kOutputBufferFull: the output has no room for the next character.
class TextConversion {
 public:
  TextConversion(TextEncoding encoding, TextDirection direction);
  ~TextConversion();
  TextConversion(const TextConversion&) = delete;
  TextConversion& operator=(const TextConversion&) = delete;

  // False when the encoding is not supported (every call then answers
  // kNoConversionPath).
  bool valid() const { return codec_ != nullptr; }

  [[nodiscard]] TextConvertResult convert(const void* in, size_t inBytes, void* out,
                                          size_t outBytes);
  // Ends the run: writes what a stateful encoding needs to return to its
  // initial state (ISO-2022-JP's escape back to ASCII) and resets.
  [[nodiscard]] TextConvertResult finish(void* out, size_t outBytes);
  // Drops any shift state without writing.
  void reset();

  class Codec;

 private:
  TextEncoding encoding_;
  TextDirection direction_;
  std::unique_ptr<Codec> codec_;
};

}  // namespace platform
