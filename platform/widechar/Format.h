#pragma once

// printf-style formatting into UTF-16 with the argument types checked.
//
// A format given as a literal (or any constant expression) is checked while
// compiling: every conversion must meet an argument of its kind, and the
// count must match, or the call does not compile.
//   %d %i %u %o %x %X   any integer type except bool, char and enums
//   %f %e %E %g %G      float or double
//   %s %S (%ls, %hs)    const char16_t* (null prints "(null)")
//   %c %C               char16_t
//   %%                  one "%"
//   *  (width/precision) an integer
// Flags "-", "+", " ", "0", "#", width, precision and the size letters
// h, hh, l, ll, L, q, j, z, t, F, N are accepted; size letters change
// nothing, since every argument arrives with its own type. %n and %p are
// not supported.
//
// A format only known at run time (a localised text) is wrapped in
// RuntimeFormat. Argument types are still limited to the kinds above; a
// conversion that meets an argument of another kind converts between
// numbers and units where that makes sense and otherwise writes nothing,
// and a conversion with no argument left writes nothing. Nothing is ever
// read or written through an argument of the wrong kind.
//
// Widths and precisions are limited to kFormatMaxWidth.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace platform {

enum class FormatArgType : unsigned char { Signed, Unsigned, Double, Text, Unit };

struct FormatArg {
  FormatArgType type;
  unsigned char size;  // bytes of an integer after promotion to int
  union {
    long long i;
    unsigned long long u;
    double d;
    const char16_t* s;
    char16_t c;
  };
};

// What a conversion letter consumes.
enum class FormatNeed : unsigned char { None, Integer, Double, Text, Unit, Unsupported };

inline constexpr int kFormatMaxWidth = 1000000;

// One conversion, parsed from the unit after its "%".
struct FormatSpec {
  bool left = false, plus = false, space = false, zero = false;
  int hashes = 0;      // "#" flags seen
  int widthStars = 0;  // "*" flags seen, each taking an int argument
  int width = 0;
  bool hasPrecision = false;
  bool precisionStar = false;
  int precision = 0;
  bool sized = false;       // a size letter was present
  char16_t conversion = 0;  // 0 when the text ended first
  size_t end = 0;           // index behind the conversion
};

constexpr FormatNeed FormatNeedOf(char16_t conversion) {
  switch (conversion) {
    case u'%':
      return FormatNeed::None;
    case u'd':
    case u'i':
    case u'u':
    case u'o':
    case u'x':
    case u'X':
      return FormatNeed::Integer;
    case u'f':
    case u'e':
    case u'E':
    case u'g':
    case u'G':
      return FormatNeed::Double;
    case u's':
    case u'S':
      return FormatNeed::Text;
    case u'c':
    case u'C':
      return FormatNeed::Unit;
    default:
      return FormatNeed::Unsupported;
  }
}

constexpr FormatSpec ParseFormatSpec(const char16_t* f, size_t i) {
  FormatSpec spec;
  for (;; ++i) {
    const char16_t c = f[i];
    if (c == u'-')
      spec.left = true;
    else if (c == u'+')
      spec.plus = true;
    else if (c == u' ')
      spec.space = true;
    else if (c == u'0')
      spec.zero = true;
    else if (c == u'#')
      ++spec.hashes;
    else if (c == u'*')
      ++spec.widthStars;
    else
      break;
  }
  auto number = [&]() {
    int n = 0;
    for (; f[i] >= u'0' && f[i] <= u'9'; ++i)
      if (n < kFormatMaxWidth) n = n * 10 + (f[i] - u'0');
    return n < kFormatMaxWidth ? n : kFormatMaxWidth;
  };
  if (spec.widthStars == 0) spec.width = number();
  if (f[i] == u'.') {
    ++i;
    spec.hasPrecision = true;
    if (f[i] == u'*') {
      spec.precisionStar = true;
      ++i;
    } else {
      spec.precision = number();
    }
  }
  switch (f[i]) {
    case u'h':
    case u'l':
      spec.sized = true;
      if (f[i + 1] == f[i]) ++i;
      ++i;
      break;
    case u'L':
    case u'q':
    case u'j':
    case u'z':
    case u't':
    case u'F':
    case u'N':
      spec.sized = true;
      ++i;
      break;
    default:
      break;
  }
  spec.conversion = f[i];
  spec.end = f[i] ? i + 1 : i;
  return spec;
}

template <class T>
inline constexpr bool kFormatUnsupported = false;

// The kind of one argument; unsupported types stop the build here.
template <class T>
constexpr FormatArgType FormatArgTypeOf() {
  using D = std::decay_t<T>;
  if constexpr (std::is_same_v<D, char16_t>)
    return FormatArgType::Unit;
  else if constexpr (std::is_same_v<D, const char16_t*> || std::is_same_v<D, char16_t*> ||
                     std::is_same_v<D, std::nullptr_t>)
    return FormatArgType::Text;
  else if constexpr (std::is_same_v<D, bool> || std::is_same_v<D, char> ||
                     std::is_same_v<D, wchar_t> || std::is_same_v<D, char8_t> ||
                     std::is_same_v<D, char32_t>) {
    static_assert(kFormatUnsupported<T>,
                  "platform::Format: pass characters as char16_t, flags as int");
    return FormatArgType::Signed;
  } else if constexpr (std::is_integral_v<D>)
    return std::is_signed_v<D> ? FormatArgType::Signed : FormatArgType::Unsigned;
  else if constexpr (std::is_floating_point_v<D>)
    return FormatArgType::Double;
  else {
    static_assert(kFormatUnsupported<T>, "platform::Format: unsupported argument type");
    return FormatArgType::Signed;
  }
}

constexpr bool FormatAccepts(FormatNeed need, FormatArgType type) {
  switch (need) {
    case FormatNeed::Integer:
      return type == FormatArgType::Signed || type == FormatArgType::Unsigned;
    case FormatNeed::Double:
      return type == FormatArgType::Double;
    case FormatNeed::Text:
      return type == FormatArgType::Text;
    case FormatNeed::Unit:
      return type == FormatArgType::Unit;
    default:
      return false;
  }
}

// True when every conversion of f meets an argument of its kind and every
// argument is used.
constexpr bool FormatMatchesTypes(const char16_t* f, const FormatArgType* types, size_t count) {
  if (!f) return false;
  size_t next = 0;
  auto take = [&](FormatNeed need) { return next < count && FormatAccepts(need, types[next++]); };
  for (size_t i = 0; f[i];) {
    if (f[i] != u'%') {
      ++i;
      continue;
    }
    const FormatSpec spec = ParseFormatSpec(f, i + 1);
    i = spec.end;
    for (int n = 0; n < spec.widthStars; ++n)
      if (!take(FormatNeed::Integer)) return false;
    if (spec.precisionStar && !take(FormatNeed::Integer)) return false;
    const FormatNeed need = FormatNeedOf(spec.conversion);
    if (need == FormatNeed::Unsupported) return false;
    if (need != FormatNeed::None && !take(need)) return false;
  }
  return next == count;
}

template <class... Args>
constexpr bool FormatMatches(const char16_t* f) {
  const FormatArgType types[sizeof...(Args) + 1] = {FormatArgTypeOf<Args>()...,
                                                    FormatArgType::Signed};
  return FormatMatchesTypes(f, types, sizeof...(Args));
}

// A format known only at run time; see the notes at the top.
struct RuntimeFormat {
  explicit RuntimeFormat(const char16_t* f) : text(f) {}
  const char16_t* text;
};

// Named so that the compiler's message says what went wrong.
void FormatArgumentsDoNotMatchTheFormat();

template <class... Args>
struct CheckedFormat {
  template <class S>
  requires std::is_convertible_v<const S&, const char16_t*>
  consteval CheckedFormat(const S& s) : text(s) {
    if (!FormatMatches<Args...>(text)) FormatArgumentsDoNotMatchTheFormat();
  }
  CheckedFormat(RuntimeFormat r) : text(r.text) {}
  const char16_t* text;
};

template <class T>
FormatArg MakeFormatArg(const T& value) {
  FormatArg a{};
  a.type = FormatArgTypeOf<T>();
  using D = std::decay_t<T>;
  a.size = sizeof(D) < sizeof(int) ? sizeof(int) : sizeof(D);
  if constexpr (std::is_same_v<D, char16_t>)
    a.c = value;
  else if constexpr (std::is_same_v<D, std::nullptr_t>)
    a.s = nullptr;
  else if constexpr (std::is_pointer_v<D>)
    a.s = value;
  else if constexpr (std::is_floating_point_v<D>)
    a.d = value;
  else if constexpr (std::is_signed_v<D>)
    a.i = value;
  else
    a.u = value;
  return a;
}

// Appends the formatted text to out.
void FormatAppend(std::u16string& out, const char16_t* format, const FormatArg* args, size_t count);

// Writes at most size - 1 units and a terminator (nothing when size is 0);
// returns the full length, or -1 when it did not fit.
int FormatInto(char16_t* buffer, size_t size, const char16_t* format, const FormatArg* args,
               size_t count);

template <class... Args>
int Format(char16_t* buffer, size_t size, CheckedFormat<std::type_identity_t<Args>...> format,
           const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> packed{MakeFormatArg(args)...};
  return FormatInto(buffer, size, format.text, packed.data(), packed.size());
}

template <class... Args>
std::u16string FormatToString(CheckedFormat<std::type_identity_t<Args>...> format,
                              const Args&... args) {
  const std::array<FormatArg, sizeof...(Args)> packed{MakeFormatArg(args)...};
  std::u16string out;
  FormatAppend(out, format.text, packed.data(), packed.size());
  return out;
}

}  // namespace platform
