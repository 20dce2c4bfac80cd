#include "platform/widechar/Format.h"

#include "platform/widechar/WideChar.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

namespace platform {

void FormatArgumentsDoNotMatchTheFormat() {}

namespace {

int clampWidth(long long v) {
  return v > kFormatMaxWidth ? kFormatMaxWidth : static_cast<int>(v);
}

// An integer taken by "*"; other kinds count as 0.
long long starValue(const FormatArg* a) {
  if (!a) return 0;
  if (a->type == FormatArgType::Signed) return a->i;
  if (a->type == FormatArgType::Unsigned)
    return a->u > static_cast<unsigned long long>(LLONG_MAX) ? LLONG_MAX
                                                             : static_cast<long long>(a->u);
  return 0;
}

void pad(std::u16string& out, size_t n) {
  out.append(n, u' ');
}

void appendPadded(std::u16string& out, const FormatSpec& spec, const char16_t* text, size_t len) {
  const size_t width = static_cast<size_t>(spec.width);
  if (!spec.left && width > len) pad(out, width - len);
  out.append(text, len);
  if (spec.left && width > len) pad(out, width - len);
}

// Numbers go through the C library's narrow formatter; its output is ASCII.
template <class V>
void appendNumber(std::u16string& out, const FormatSpec& spec, const char* length, char conversion,
                  V value) {
  std::string f = "%";
  if (spec.left) f += '-';
  if (spec.plus) f += '+';
  if (spec.space) f += ' ';
  if (spec.zero) f += '0';
  if (spec.hashes) f += '#';
  if (spec.width > 0) f += std::to_string(spec.width);
  if (spec.hasPrecision) f += '.' + std::to_string(spec.precision);
  f += length;
  f += conversion;
  const int n = std::snprintf(nullptr, 0, f.c_str(), value);
  if (n <= 0) return;
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), f.c_str(), value);
  for (int i = 0; i < n; ++i)
    out += static_cast<char16_t>(static_cast<unsigned char>(text[static_cast<size_t>(i)]));
}

void appendInteger(std::u16string& out, const FormatSpec& spec, const FormatArg& a) {
  const char conv = static_cast<char>(spec.conversion);
  const bool isSigned = conv == 'd' || conv == 'i';
  bool negative = false;
  unsigned long long bits = 0;
  switch (a.type) {
    case FormatArgType::Signed:
      negative = a.i < 0;
      bits = static_cast<unsigned long long>(a.i);
      break;
    case FormatArgType::Unsigned:
      bits = a.u;
      break;
    case FormatArgType::Unit:
      bits = a.c;
      break;
    case FormatArgType::Double:
      // Only finite values in range convert; anything else is 0.
      if (std::isfinite(a.d) && a.d > -9.2e18 && a.d < 9.2e18) {
        const long long v = static_cast<long long>(a.d);
        negative = v < 0;
        bits = static_cast<unsigned long long>(v);
      }
      break;
    case FormatArgType::Text:
      return;
  }
  if (isSigned) {
    if (negative || bits <= static_cast<unsigned long long>(LLONG_MAX))
      appendNumber(out, spec, "ll", conv, static_cast<long long>(bits));
    else
      appendNumber(out, spec, "ll", 'u', bits);
    return;
  }
  // Unsigned conversions of a negative value show its two's complement at
  // the argument's own width, as C does for an int.
  if (negative && a.size < sizeof(long long)) bits &= (1ULL << (8 * a.size)) - 1;
  appendNumber(out, spec, "ll", conv, bits);
}

void appendDouble(std::u16string& out, const FormatSpec& spec, const FormatArg& a) {
  double v = 0;
  switch (a.type) {
    case FormatArgType::Double:
      v = a.d;
      break;
    case FormatArgType::Signed:
      v = static_cast<double>(a.i);
      break;
    case FormatArgType::Unsigned:
      v = static_cast<double>(a.u);
      break;
    default:
      return;
  }
  appendNumber(out, spec, "", static_cast<char>(spec.conversion), v);
}

void appendText(std::u16string& out, const FormatSpec& spec, const FormatArg& a) {
  if (a.type != FormatArgType::Text) return;
  static const char16_t kNull[] = u"(null)";
  const char16_t* s = a.s ? a.s : kNull;
  size_t len = 0;
  if (spec.hasPrecision) {
    const size_t limit = static_cast<size_t>(spec.precision);
    while (len < limit && s[len]) ++len;
  } else {
    len = wcslen(s);
  }
  appendPadded(out, spec, s, len);
}

void appendUnit(std::u16string& out, const FormatSpec& spec, const FormatArg& a) {
  char16_t c;
  switch (a.type) {
    case FormatArgType::Unit:
      c = a.c;
      break;
    case FormatArgType::Signed:
      c = static_cast<char16_t>(a.i);
      break;
    case FormatArgType::Unsigned:
      c = static_cast<char16_t>(a.u);
      break;
    default:
      return;
  }
  appendPadded(out, spec, &c, 1);
}

}  // namespace

void FormatAppend(std::u16string& out, const char16_t* format, const FormatArg* args,
                  size_t count) {
  if (!format) return;
  size_t next = 0;
  auto take = [&]() -> const FormatArg* { return next < count ? &args[next++] : nullptr; };
  for (size_t i = 0; format[i];) {
    if (format[i] != u'%') {
      const size_t start = i;
      while (format[i] && format[i] != u'%') ++i;
      out.append(format + start, i - start);
      continue;
    }
    FormatSpec spec = ParseFormatSpec(format, i + 1);
    i = spec.end;
    for (int n = 0; n < spec.widthStars; ++n) {
      long long w = starValue(take());
      if (w < 0) {
        spec.left = true;
        w = w == LLONG_MIN ? LLONG_MAX : -w;
      }
      spec.width = clampWidth(w);
    }
    if (spec.precisionStar) {
      const long long p = starValue(take());
      spec.hasPrecision = p >= 0;
      spec.precision = p >= 0 ? clampWidth(p) : 0;
    }
    const FormatNeed need = FormatNeedOf(spec.conversion);
    if (need == FormatNeed::None) {
      out += u'%';
      continue;
    }
    if (need == FormatNeed::Unsupported) {
      // %n and %p consume their argument and write nothing.
      if (spec.conversion == u'n' || spec.conversion == u'p') take();
      continue;
    }
    const FormatArg* a = take();
    if (!a) continue;
    switch (need) {
      case FormatNeed::Integer:
        appendInteger(out, spec, *a);
        break;
      case FormatNeed::Double:
        appendDouble(out, spec, *a);
        break;
      case FormatNeed::Text:
        appendText(out, spec, *a);
        break;
      case FormatNeed::Unit:
        appendUnit(out, spec, *a);
        break;
      default:
        break;
    }
  }
}

int FormatInto(char16_t* buffer, size_t size, const char16_t* format, const FormatArg* args,
               size_t count) {
  std::u16string out;
  FormatAppend(out, format, args, count);
  if (size == 0 || !buffer) return -1;
  const size_t n = out.size() < size ? out.size() : size - 1;
  out.copy(buffer, n);
  buffer[n] = 0;
  return out.size() < size && out.size() <= static_cast<size_t>(INT_MAX)
             ? static_cast<int>(out.size())
             : -1;
}

}  // namespace platform
