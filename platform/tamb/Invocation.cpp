#include "platform/tamb/Invocation.h"

#include <cstdint>

namespace tamb {

Invocation Invocation::of(std::string name, const std::vector<std::string>& strings) {
  Invocation call;
  call.name = std::move(name);
  call.arguments.reserve(strings.size());
  for (const std::string& s : strings) call.arguments.push_back(Value::string(s));
  return call;
}

std::vector<std::string> Invocation::strings() const {
  std::vector<std::string> out;
  for (const Value& v : arguments)
    if (v.isString()) out.push_back(v.text);
  return out;
}

void appendXmlEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (byte < 0x20 && c != '\t' && c != '\n') {
          // Carriage returns would be folded by an XML reader; keep them too.
          out += "&#";
          out += std::to_string(byte);
          out += ';';
        } else {
          out += c;
        }
    }
  }
}

namespace {

const char* elementName(Value::Kind kind) {
  switch (kind) {
    case Value::Kind::kString:
      return "string";
    case Value::Kind::kNumber:
      return "number";
    case Value::Kind::kTrue:
      return "true";
    case Value::Kind::kFalse:
      return "false";
    case Value::Kind::kNull:
      return "null";
    case Value::Kind::kUndefined:
      return "undefined";
  }
  return "undefined";
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A cursor over the request text; every method either advances or fails.
class Reader {
 public:
  explicit Reader(std::string_view text) : m_text(text) {}

  bool failed() const { return !m_error.empty(); }
  const std::string& error() const { return m_error; }
  bool fail(const std::string& why) {
    if (m_error.empty()) m_error = why + " at byte " + std::to_string(m_pos);
    return false;
  }
  bool atEnd() const { return m_pos >= m_text.size(); }

  void skipSpace() {
    while (!atEnd()) {
      const char c = m_text[m_pos];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
      ++m_pos;
    }
  }
  bool startsWith(std::string_view s) const { return m_text.substr(m_pos, s.size()) == s; }
  bool take(std::string_view s) {
    if (!startsWith(s)) return false;
    m_pos += s.size();
    return true;
  }
  bool expect(std::string_view s) {
    if (take(s)) return true;
    return fail("expected \"" + std::string(s) + "\"");
  }

  // An element or attribute name: letters only in this format.
  std::string name() {
    const size_t start = m_pos;
    while (!atEnd()) {
      const char c = m_text[m_pos];
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) break;
      ++m_pos;
    }
    return std::string(m_text.substr(start, m_pos - start));
  }

  // One character reference or entity after its "&".
  bool reference(std::string& out) {
    static const struct {
      const char* name;
      char ch;
    } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto& e : kEntities)
      if (take(e.name)) {
        out += e.ch;
        return true;
      }
    if (!take("#")) return fail("unknown entity");
    const bool hex = take("x");
    uint32_t cp = 0;
    size_t digits = 0;
    while (!atEnd() && m_text[m_pos] != ';') {
      const char c = m_text[m_pos];
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0) return fail("bad character reference");
      cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
      if (cp > 0x10FFFF || ++digits > 8) return fail("character reference out of range");
      ++m_pos;
    }
    if (digits == 0 || !take(";")) return fail("bad character reference");
    if (cp >= 0xD800 && cp <= 0xDFFF) return fail("character reference to a surrogate");
    appendUtf8(out, cp);
    return true;
  }

  // Text up to the next "<"; quote ends it too inside an attribute.
  bool text(std::string& out, char quote) {
    while (!atEnd()) {
      const char c = m_text[m_pos];
      if (c == '<') {
        if (quote) return fail("\"<\" in an attribute");
        return true;
      }
      if (quote && c == quote) return true;
      ++m_pos;
      if (c == '&') {
        if (!reference(out)) return false;
      } else {
        out += c;
      }
    }
    return quote ? fail("unterminated attribute") : true;
  }

  // Attributes up to ">" or "/>"; only "name" is kept. Sets empty for "/>".
  bool attributes(std::string* nameValue, bool& empty) {
    for (;;) {
      skipSpace();
      if (take("/>")) {
        empty = true;
        return true;
      }
      if (take(">")) {
        empty = false;
        return true;
      }
      const std::string attr = name();
      if (attr.empty()) return fail("bad attribute");
      skipSpace();
      if (!expect("=")) return false;
      skipSpace();
      if (atEnd()) return fail("unterminated attribute");
      const char quote = m_text[m_pos];
      if (quote != '"' && quote != '\'') return fail("unquoted attribute");
      ++m_pos;
      std::string value;
      if (!text(value, quote)) return false;
      ++m_pos;  // the closing quote
      if (attr == "name" && nameValue) *nameValue = std::move(value);
    }
  }

  bool value(Value& out) {
    if (!expect("<")) return false;
    const std::string tag = name();
    static const struct {
      const char* tag;
      Value::Kind kind;
    } kKinds[] = {{"string", Value::Kind::kString}, {"number", Value::Kind::kNumber},
                  {"true", Value::Kind::kTrue},     {"false", Value::Kind::kFalse},
                  {"null", Value::Kind::kNull},     {"undefined", Value::Kind::kUndefined}};
    bool known = false;
    for (const auto& k : kKinds)
      if (tag == k.tag) {
        out.kind = k.kind;
        known = true;
      }
    if (!known) return fail("unknown value <" + tag + ">");
    bool empty = false;
    if (!attributes(nullptr, empty)) return false;
    if (empty) return true;
    if (!text(out.text, 0)) return false;
    if (!expect("</") || !expect(tag)) return false;
    skipSpace();
    return expect(">");
  }

  size_t position() const { return m_pos; }

 private:
  std::string_view m_text;
  size_t m_pos = 0;
  std::string m_error;
};

}  // namespace

std::string formatRequest(const Invocation& call) {
  std::string out = "<invoke name=\"";
  appendXmlEscaped(out, call.name);
  out += "\"><arguments>";
  for (const Value& v : call.arguments) {
    const char* tag = elementName(v.kind);
    out += '<';
    out += tag;
    if (v.kind == Value::Kind::kString || v.kind == Value::Kind::kNumber) {
      out += '>';
      appendXmlEscaped(out, v.text);
      out += "</";
      out += tag;
      out += '>';
    } else {
      out += "/>";
    }
  }
  out += "</arguments></invoke>";
  return out;
}

std::optional<Invocation> parseRequest(std::string_view text, std::string* error) {
  auto refuse = [&](const std::string& why) -> std::optional<Invocation> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (text.size() > kMaxRequestBytes) return refuse("request text too long");
  Reader in(text);
  Invocation call;
  bool empty = false;
  bool named = false;
  in.skipSpace();
  if (!in.expect("<invoke")) return refuse(in.error());
  {
    std::string name;
    if (!in.attributes(&name, empty)) return refuse(in.error());
    named = !name.empty();
    call.name = std::move(name);
  }
  if (!named) return refuse("the request has no name");
  if (call.name.size() > kMaxRequestNameBytes) return refuse("request name too long");
  if (!empty) {
    in.skipSpace();
    if (in.take("<arguments")) {
      bool noArguments = false;
      if (!in.attributes(nullptr, noArguments)) return refuse(in.error());
      if (!noArguments) {
        for (;;) {
          in.skipSpace();
          if (in.take("</arguments")) {
            in.skipSpace();
            if (!in.expect(">")) return refuse(in.error());
            break;
          }
          if (call.arguments.size() >= kMaxRequestArguments) return refuse("too many arguments");
          Value v;
          if (!in.value(v)) return refuse(in.error());
          call.arguments.push_back(std::move(v));
        }
      }
      in.skipSpace();
    }
    if (!in.expect("</invoke")) return refuse(in.error());
    in.skipSpace();
    if (!in.expect(">")) return refuse(in.error());
  }
  in.skipSpace();
  if (!in.atEnd()) {
    in.fail("text after the request");
    return refuse(in.error());
  }
  return call;
}

}  // namespace tamb
