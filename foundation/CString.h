#pragma once

#include "platform/widechar/Format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <type_traits>

class CString;

// CString arguments of Format are passed as their text.
template <class T>
using CStringFormatArg =
    std::conditional_t<std::is_base_of_v<CString, std::remove_cvref_t<T>>, const char16_t*, T>;

// The program's text: UTF-16 units in one owned buffer, always terminated.
// Lengths, indexes and counts are in units. A length 0 given with a pointer
// means "up to its terminator"; a null pointer is the empty text.
class CString {
 public:
  // Bits of the options of Allocate.
  using TAllocateOptions = uint32_t;
  static constexpr TAllocateOptions kAllocateKeepText = 1;

  CString();
  CString(const CString& other);
  CString(const char16_t* p, uint32_t n = 0);
  CString(const uint16_t* p, uint32_t n = 0);
  CString(const char16_t* first, uint32_t firstCount, const char16_t* second, uint32_t secondCount);
  CString(char16_t ch, uint32_t n);
  virtual ~CString();

  CString& operator=(const CString& other);
  CString& operator=(const char16_t* p);
  CString& operator=(const uint16_t* p);
  void Assign(const char16_t* first, uint32_t firstCount, const char16_t* second = nullptr,
              uint32_t secondCount = 0);

  // The buffer itself; null only after Deallocate.
  operator const char16_t*() const { return m_buffer; }
  const char16_t* Get() const { return m_buffer; }
  int32_t GetLength() const { return static_cast<int32_t>(m_length); }
  uint32_t GetCapacity() const { return m_capacity; }
  // Unit i; 0 for an index outside the text.
  char16_t GetAt(int32_t i) const;
  // Writes unit i when it lies inside the text.
  void SetAt(int32_t i, char16_t ch);
  void Empty();
  uint32_t Hash() const;

  // Direct writing: GetBuffer makes room for n units plus the terminator
  // and keeps the text; ReleaseBuffer sets the length to n, or to the
  // units before the first 0 when n is -1.
  char16_t* GetBuffer(int32_t n);
  void ReleaseBuffer(int32_t n = -1);
  // Writes the terminator at n (limited to the buffer) without growing.
  void SetStringLength(int32_t n);
  void Allocate(uint32_t n, TAllocateOptions options);
  // Replace the buffer by one of 2n units and hand back the old one (the
  // text is kept as far as it fits). Allocate does nothing and returns
  // null when the buffer already holds more than n units.
  std::unique_ptr<char16_t[]> Allocate(uint32_t n);
  std::unique_ptr<char16_t[]> ForceAllocate(uint32_t n);
  void initBuff();
  void Deallocate();

  // Inserts n units of p before pos (a pos past the end appends). p may
  // point into this string.
  void Insert(const char16_t* p, uint32_t n, uint32_t pos);
  int32_t Insert(int32_t pos, const char16_t* p);
  void Append(const char16_t* p, uint32_t n = 0);
  CString& operator+=(char16_t ch);
  CString& operator+=(const char16_t* p);
  CString& operator+=(const CString& other);
  // Returns the length before the call; a count past the end is cut.
  int32_t Delete(int32_t index, int32_t count);
  void Replace(char16_t from, char16_t to);
  void Replace(const char16_t* find, const char16_t* with);
  void MakeLower();
  void TrimLeft();
  void TrimRight();

  // Unit indexes, -1 when absent or when start lies outside the text.
  int32_t Find(char16_t ch, int32_t start = 0) const;
  int32_t Find(const char16_t* s, int32_t start = 0) const;
  int32_t ReverseFind(char16_t ch) const;
  // The first position of the first unit of set that occurs at all.
  int32_t FindOneOf(const char16_t* set) const;

  // Counts beyond the text are cut to it.
  CString Left(int32_t n) const;
  CString Right(int32_t n) const;
  CString Mid(int32_t start, int32_t count = -1) const;

  int Compare(const char16_t* s) const;
  int CompareNoCase(const char16_t* s) const;
  bool operator==(const CString& other) const;
  bool operator!=(const CString& other) const { return !(*this == other); }
  bool operator==(const char16_t* s) const;
  bool operator!=(const char16_t* s) const { return !(*this == s); }
  bool operator==(std::nullptr_t) const { return *this == static_cast<const char16_t*>(nullptr); }
  bool operator!=(std::nullptr_t) const { return !(*this == nullptr); }
  bool operator==(const uint16_t* s) const;
  bool operator!=(const uint16_t* s) const { return !(*this == s); }
  bool operator==(char16_t ch) const;
  bool operator!=(char16_t ch) const { return !(*this == ch); }
  bool operator<(const CString& other) const;
  bool operator>(const CString& other) const;

  // printf-style; see platform/widechar/Format.h for the conversions. A
  // literal format is checked against the arguments while compiling; a
  // format from elsewhere goes in platform::RuntimeFormat.
  template <class... Args>
  void Format(platform::CheckedFormat<CStringFormatArg<Args>...> format, const Args&... args) {
    const std::array<platform::FormatArg, sizeof...(Args)> packed{
        platform::MakeFormatArg(FormatValue(args))...};
    FormatArgs(format.text, packed.data(), packed.size());
  }
  void FormatArgs(const char16_t* format, const platform::FormatArg* args, size_t count);

  // Writes the text as a length-prefixed 8-bit string in the default
  // script encoding: the bytes in out[1..255], their count in out[0]. A
  // null out does nothing; out holds 256 bytes. (CStringPascal.cpp)
  void AsPascal(unsigned char* out) const;

  // Localised texts (CStringTable.cpp). LoadString replaces the text by
  // that of the string id; false, leaving the text as it was, when the
  // table has no such id.
  bool LoadString(unsigned int id);
  // Fills the table from Localizable.strings of the UI language in the
  // program's Resources folder, and points gAppPath at that folder.
  static void processStringDataMap();
  // The table: string id -> UTF-8 text. Filled once by
  // processStringDataMap, then only read.
  static std::map<uint32_t, std::string> g_DataMap;

  // Units Format sizes its buffer for before writing.
  static uint32_t FormatEstimate(const char16_t* format, const platform::FormatArg* args,
                                 size_t count);

 protected:
  // Makes room for n units plus the terminator; see CString.cpp.
  void AllocateAndSplit(uint32_t n, uint32_t from, uint32_t to, TAllocateOptions options);

 private:
  template <class T>
  static decltype(auto) FormatValue(const T& v) {
    if constexpr (std::is_base_of_v<CString, T>)
      return v.Get();
    else
      return (v);
  }

  // True when p points into this string's buffer.
  bool Owns(const char16_t* p) const;
  void SetText(const char16_t* first, uint32_t firstCount, const char16_t* second,
               uint32_t secondCount);

  char16_t* m_buffer = nullptr;
  uint32_t m_capacity = 0;
  uint32_t m_length = 0;
};

CString operator+(const CString& left, char16_t right);
CString operator+(const CString& left, const char16_t* right);
CString operator+(const CString& left, const CString& right);
