#include "foundation/MessageText.h"

namespace {

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

CString ShortenedForMessage(const CString& text, int32_t limit) {
  const int32_t length = text.GetLength();
  if (length <= limit || limit < 3) return text;
  // One unit goes to the ellipsis.
  int32_t head = limit / 2;
  int32_t tail = limit - 1 - head;
  // Move each cut off the middle of a pair: the head ends before a pair's
  // second half, the tail starts at a pair's first half.
  if (head > 0 && IsLowSurrogate(text.GetAt(head))) --head;
  if (tail > 0 && IsLowSurrogate(text.GetAt(length - tail))) --tail;
  CString out = text.Left(head);
  out += u"\u2026";
  out += text.Right(tail);
  return out;
}
