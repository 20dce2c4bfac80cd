#include "platform/os/PropertyList.h"

#include "platform/os/Utf.h"

#include <fstream>

namespace platform {

// Out of line, where PlistValue is complete: its members hold PlistValue.
PlistValue::PlistValue() = default;
PlistValue::PlistValue(const PlistValue&) = default;
PlistValue::PlistValue(PlistValue&&) noexcept = default;
PlistValue& PlistValue::operator=(const PlistValue&) = default;
PlistValue& PlistValue::operator=(PlistValue&&) noexcept = default;
PlistValue::~PlistValue() = default;

namespace {

// Property lists are small; anything bigger is not one of ours.
constexpr size_t kMaxFileBytes = 1u << 20;
constexpr int kMaxDepth = 64;

struct Tag {
  std::string name;
  bool closing = false;
  bool empty = false;  // <name/>
};

class Reader {
 public:
  explicit Reader(std::string_view text) : m_text(text) {}

  bool fail(const std::string& why) {
    if (m_error.empty()) m_error = why;
    return false;
  }
  const std::string& error() const { return m_error; }

  // Skips text, declarations, comments and processing instructions up to the
  // next element tag, which it reads.
  bool nextTag(Tag& tag) {
    for (;;) {
      size_t lt = m_text.find('<', m_pos);
      if (lt == std::string_view::npos) return fail("unexpected end of text");
      m_pos = lt;
      if (starts("<!--")) {
        if (!skipPast("-->")) return fail("unterminated comment");
      } else if (starts("<?")) {
        if (!skipPast("?>")) return fail("unterminated processing instruction");
      } else if (starts("<!")) {
        if (!skipPast(">")) return fail("unterminated declaration");
      } else {
        return readTag(tag);
      }
    }
  }

  // The value that starts with `tag`.
  bool readValue(const Tag& tag, PlistValue& value, int depth) {
    if (depth > kMaxDepth) return fail("nested too deeply");
    value = PlistValue();
    const std::string& n = tag.name;
    if (n == "true" || n == "false") {
      value.kind = PlistValue::Boolean;
      value.text = n;
      if (tag.empty) return true;
      Tag end;
      if (!nextTag(end) || !end.closing || end.name != n) return fail("bad <" + n + ">");
      return true;
    }
    if (n == "string" || n == "integer" || n == "real" || n == "date" || n == "data") {
      value.kind = n == "string"    ? PlistValue::String
                   : n == "integer" ? PlistValue::Integer
                   : n == "real"    ? PlistValue::Real
                   : n == "date"    ? PlistValue::Date
                                    : PlistValue::Data;
      return tag.empty || readText(n, value.text);
    }
    if (n == "array") {
      value.kind = PlistValue::Array;
      if (tag.empty) return true;
      for (;;) {
        Tag inner;
        if (!nextTag(inner)) return false;
        if (inner.closing) return inner.name == "array" || fail("mismatched </" + inner.name + ">");
        value.items.emplace_back();
        if (!readValue(inner, value.items.back(), depth + 1)) return false;
      }
    }
    if (n == "dict") {
      value.kind = PlistValue::Dict;
      if (tag.empty) return true;
      for (;;) {
        Tag key;
        if (!nextTag(key)) return false;
        if (key.closing) return key.name == "dict" || fail("mismatched </" + key.name + ">");
        if (key.name != "key" || key.empty) return fail("expected <key>, found <" + key.name + ">");
        std::string name;
        if (!readText("key", name)) return false;
        Tag inner;
        if (!nextTag(inner)) return false;
        if (inner.closing) return fail("key " + name + " has no value");
        value.entries.emplace_back(name, PlistValue());
        if (!readValue(inner, value.entries.back().second, depth + 1)) return false;
      }
    }
    return fail("unknown element <" + n + ">");
  }

 private:
  bool starts(std::string_view s) const { return m_text.substr(m_pos, s.size()) == s; }

  bool skipPast(std::string_view s) {
    size_t end = m_text.find(s, m_pos);
    if (end == std::string_view::npos) return false;
    m_pos = end + s.size();
    return true;
  }

  bool readTag(Tag& tag) {
    size_t gt = m_text.find('>', m_pos);
    if (gt == std::string_view::npos) return fail("unterminated tag");
    std::string_view inside = m_text.substr(m_pos + 1, gt - m_pos - 1);
    m_pos = gt + 1;
    tag = Tag();
    if (!inside.empty() && inside.front() == '/') {
      tag.closing = true;
      inside.remove_prefix(1);
    }
    if (!inside.empty() && inside.back() == '/') {
      tag.empty = true;
      inside.remove_suffix(1);
    }
    size_t end = 0;
    while (end < inside.size() && inside[end] != ' ' && inside[end] != '\t' &&
           inside[end] != '\r' && inside[end] != '\n')
      ++end;
    tag.name = std::string(inside.substr(0, end));
    if (tag.name.empty()) return fail("empty tag");
    return true;
  }

  // The character data up to the end tag of `name`, entities resolved.
  bool readText(const std::string& name, std::string& out) {
    out.clear();
    for (;;) {
      size_t lt = m_text.find('<', m_pos);
      if (lt == std::string_view::npos) return fail("unexpected end of text");
      if (!decode(m_text.substr(m_pos, lt - m_pos), out)) return false;
      m_pos = lt;
      if (starts("<!--")) {
        if (!skipPast("-->")) return fail("unterminated comment");
        continue;
      }
      if (starts("<![CDATA[")) {
        size_t end = m_text.find("]]>", m_pos);
        if (end == std::string_view::npos) return fail("unterminated CDATA section");
        out.append(m_text.substr(m_pos + 9, end - m_pos - 9));
        m_pos = end + 3;
        continue;
      }
      Tag tag;
      if (!readTag(tag)) return false;
      if (!tag.closing || tag.name != name)
        return fail("unexpected <" + tag.name + "> in <" + name + ">");
      return true;
    }
  }

  bool decode(std::string_view raw, std::string& out) {
    size_t i = 0;
    while (i < raw.size()) {
      char c = raw[i];
      if (c != '&') {
        out += c;
        ++i;
        continue;
      }
      size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return fail("unterminated entity");
      std::string_view name = raw.substr(i + 1, semi - i - 1);
      if (name == "lt") {
        out += '<';
      } else if (name == "gt") {
        out += '>';
      } else if (name == "amp") {
        out += '&';
      } else if (name == "quot") {
        out += '"';
      } else if (name == "apos") {
        out += '\'';
      } else if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) return fail("bad character reference");
        uint32_t cp = 0;
        for (char d : digits) {
          int v = -1;
          if (d >= '0' && d <= '9')
            v = d - '0';
          else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
          else if (hex && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
          if (v < 0) return fail("bad character reference");
          cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
        }
        if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
          return fail("bad character reference");
        appendUtf8(out, cp);
      } else {
        return fail("unknown entity &" + std::string(name) + ";");
      }
      i = semi + 1;
    }
    return true;
  }

  std::string_view m_text;
  size_t m_pos = 0;
  std::string m_error;
};

}  // namespace

const PlistValue* PlistValue::find(std::string_view key) const {
  for (const auto& entry : entries)
    if (entry.first == key) return &entry.second;
  return nullptr;
}

std::string PlistValue::string(std::string_view key) const {
  const PlistValue* v = find(key);
  if (v == nullptr || v->kind == Array || v->kind == Dict) return {};
  return v->text;
}

std::vector<std::string> PlistValue::strings(std::string_view key) const {
  std::vector<std::string> out;
  const PlistValue* v = find(key);
  if (v == nullptr) return out;
  if (v->kind == String) {
    out.push_back(v->text);
  } else if (v->kind == Array) {
    for (const auto& item : v->items)
      if (item.kind == String) out.push_back(item.text);
  }
  return out;
}

bool parsePropertyList(std::string_view text, PlistValue& root, std::string* error) {
  Reader reader(text);
  root = PlistValue();
  Tag tag;
  bool ok = reader.nextTag(tag);
  if (ok && (tag.name != "plist" || tag.closing || tag.empty))
    ok = reader.fail("the root element is not <plist>");
  if (ok) ok = reader.nextTag(tag);
  if (ok && (tag.name != "dict" || tag.closing))
    ok = reader.fail("the property list holds no <dict>");
  if (ok) ok = reader.readValue(tag, root, 0);
  if (ok) {
    Tag end;
    ok = reader.nextTag(end);
    if (ok && (!end.closing || end.name != "plist")) ok = reader.fail("more than one root value");
  }
  if (!ok) {
    root = PlistValue();
    if (error) *error = reader.error();
  }
  return ok;
}

bool readPropertyListFile(const std::string& path, PlistValue& root, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return false;
  }
  std::string text;
  text.resize(kMaxFileBytes + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxFileBytes) {
    if (error) *error = path + " is too large for a property list";
    return false;
  }
  return parsePropertyList(text, root, error);
}

}  // namespace platform
