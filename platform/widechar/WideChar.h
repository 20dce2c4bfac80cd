#pragma once

// UTF-16 string primitives over char16_t (the platform's wchar_t is 32 bits,
// so the C library's wide functions cannot be used for our text).
//
// Case mapping is locale-independent and covers simple one-to-one pairs only:
// ASCII, Latin-1, Latin Extended-A, basic Greek, basic Cyrillic and the
// fullwidth ASCII letters. Everything else maps to itself. White space is the
// ASCII set only: space, tab, line feed, vertical tab, form feed, return.

#include <cstddef>
#include <cstdint>

namespace platform {

// Units before the terminator; 0 for a null pointer.
size_t wcslen(const char16_t* s);

// Copies s with its terminator into dst; returns dst.
char16_t* wcscpy(char16_t* dst, const char16_t* src);

// Copies at most n units of src; pads with 0 units up to n when src is
// shorter, and, like its C namesake, writes no terminator when it is not.
char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t n);

// Unit-value comparisons: negative, 0 or positive. A null pointer counts as
// the empty text.
int wcscmp(const char16_t* a, const char16_t* b);
int wcsncmp(const char16_t* a, const char16_t* b, size_t n);

// The same after folding both sides with towlower.
int wcsicmp(const char16_t* a, const char16_t* b);
int wcsnicmp(const char16_t* a, const char16_t* b, size_t n);

// First / last occurrence of ch before the terminator, or null. Searching
// for 0 finds the terminator, as in C.
const char16_t* wcschr(const char16_t* s, char16_t ch);
const char16_t* wcsrchr(const char16_t* s, char16_t ch);

// First occurrence of needle in haystack, or null; an empty needle matches
// at the start. wcsistr ignores case.
const char16_t* wcsstr(const char16_t* haystack, const char16_t* needle);
const char16_t* wcsistr(const char16_t* haystack, const char16_t* needle);

char16_t towlower(char16_t ch);
char16_t towupper(char16_t ch);
bool iswspace(char16_t ch);

// Leading white space, an optional sign and ASCII digits; values beyond the
// 32-bit range saturate at its ends. 0 for null or no digits.
int32_t wtoi(const char16_t* s);

}  // namespace platform
