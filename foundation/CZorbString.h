#pragma once

#include "foundation/CRect.h"
#include "foundation/CString.h"

// A CString with ASCII, counting, case-insensitive and code-page operations;
// the base of CZorbPath and CZorbFolder.
class CZorbString : public CString {
 public:
  using CString::CString;
  using CString::operator=;
  CZorbString() = default;
  CZorbString(const CString& other) : CString(other) {}
  CZorbString(const CZorbString& other) = default;
  CZorbString& operator=(const CZorbString& other) = default;
  ~CZorbString() override;

  // Every unit below 128 and no control character but tab, line feed and
  // carriage return.
  bool IsAscii() const;
  int32_t Count(char16_t ch) const;
  // Find() ignoring case; -1 when absent.
  int32_t FindNoCase(const char16_t* s, int32_t start = 0) const;
  // Replaces every match of find, ignoring case, by with; returns how many.
  int32_t ReplaceNoCase(const char16_t* find, const char16_t* with);
  // "left,top,right,bottom" (empty fields skipped); missing members are 0.
  CRect AsRect() const;

  // Convert units 0x80 to 0xFF in place between Mac Roman and Windows
  // Latin-1 (cp1252) byte values; all other units stay as they are.
  static void MacToWin(char16_t* s);
  static void WinToMac(char16_t* s);
};

// The classic tokenizer over UTF-16 text: a non-null text starts a scan, a
// null one continues the last scan of the calling thread. Returns the next
// token (terminated in place) or null.
char16_t* px_wcstok(char16_t* text, const char16_t* delimiters);
