// The localised string table of CString: LoadString and processStringDataMap.
#include <exception>

#include "foundation/AppGlobals.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/CString.h"
#include "foundation/CZorbFile.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "platform/os/TextEncodings.h"
#include "platform/widechar/WideChar.h"

std::map<uint32_t, std::string> CString::g_DataMap;

namespace {

bool isSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

// Reads the entries of a strings file into the table: a quoted id, "=", a
// quoted text and ";", with any white space (and line ends of any kind)
// around them, and comments between entries. Inside the quotes a
// backslash keeps the next unit from ending the text; afterwards "\r"
// becomes a carriage return, \" a quotation mark and \' an apostrophe,
// in that order, and every other backslash stays. A later entry of an id
// replaces an earlier one. Lines that are no entry are skipped; an
// unterminated text ends the reading.
class StringsReader {
 public:
  explicit StringsReader(const CString& text)
      : m_text(text.Get(), static_cast<size_t>(text.GetLength())) {}

  void readInto(std::map<uint32_t, std::string>& table) {
    for (;;) {
      skipBlanks();
      if (m_pos >= m_text.size()) return;
      if (m_text[m_pos] != u'"') {
        skipLine();
        continue;
      }
      std::u16string key, value;
      if (!readQuoted(key)) return;
      skipBlanks();
      if (!at(u'=')) {
        skipLine();
        continue;
      }
      ++m_pos;
      skipBlanks();
      if (!at(u'"')) {
        skipLine();
        continue;
      }
      if (!readQuoted(value)) return;
      skipBlanks();
      if (at(u';')) ++m_pos;
      store(key, value, table);
    }
  }

 private:
  bool at(char16_t c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }
  bool startsWith(const char16_t* s) const {
    return m_text.compare(m_pos, platform::wcslen(s), s) == 0;
  }

  void skipBlanks() {
    for (;;) {
      while (m_pos < m_text.size() && isSpace(m_text[m_pos])) ++m_pos;
      if (startsWith(u"/*")) {
        size_t end = m_text.find(u"*/", m_pos + 2);
        m_pos = end == std::u16string::npos ? m_text.size() : end + 2;
      } else if (startsWith(u"//")) {
        skipLine();
      } else {
        return;
      }
    }
  }

  void skipLine() {
    while (m_pos < m_text.size() && m_text[m_pos] != u'\n' && m_text[m_pos] != u'\r') ++m_pos;
  }

  // The raw text between a pair of quotes (escapes still in it).
  bool readQuoted(std::u16string& out) {
    ++m_pos;  // the opening quote
    while (m_pos < m_text.size()) {
      char16_t c = m_text[m_pos];
      if (c == u'\\' && m_pos + 1 < m_text.size()) {
        out += c;
        out += m_text[m_pos + 1];
        m_pos += 2;
      } else if (c == u'"') {
        ++m_pos;
        return true;
      } else {
        out += c;
        ++m_pos;
      }
    }
    return false;
  }

  static void replaceAll(std::u16string& text, const std::u16string& from,
                         const std::u16string& to) {
    for (size_t at = text.find(from); at != std::u16string::npos;
         at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  }

  static void store(const std::u16string& key, std::u16string value,
                    std::map<uint32_t, std::string>& table) {
    uint32_t id = static_cast<uint32_t>(platform::wtoi(key.c_str()));
    replaceAll(value, u"\\r", u"\r");
    replaceAll(value, u"\\\"", u"\"");
    replaceAll(value, u"\\'", u"'");
    std::string utf8;
    try {
      StringUtil::convertStringToSingle(CString(value.c_str(), static_cast<uint32_t>(value.size())),
                                        utf8);
    } catch (const std::exception&) {
      return;  // not text: leave the id out
    }
    table[id] = utf8;
  }

  std::u16string m_text;
  size_t m_pos = 0;
};

// The language folder name of a locale code: "nb_NO" is "no", a few codes
// stay whole, the others give their language ("en_US" is "en").
CString languageFolder(const CString& code) {
  if (code == u"nb_NO") {
    Logger::write(Logger::kDebug, "1", "MacString", 53);
    return CString(u"no");
  }
  if (code == u"zh_CN" || code == u"zh_TW" || code == u"uk_UA" || code == u"el_GR") return code;
  return code.Left(2);
}

// The colon path of the strings file of a language, when it exists.
bool stringsFile(const std::string& resources, const CString& language, CString& path) {
  CString posix;
  StringUtil::convertStringToWide(resources, posix);
  posix += u"/";
  posix += language;
  posix += u".lproj/Localizable.strings";
  std::u16string text(posix.Get(), static_cast<size_t>(posix.GetLength()));
  return CZorbOS::convertPath(text, path, true) && CZorbOS::FileExists(path);
}

}  // namespace

bool CString::LoadString(unsigned int id) {
  if (g_DataMap.empty()) return false;
  auto it = g_DataMap.find(id);
  if (it == g_DataMap.end()) return false;
  CString text;
  try {
    StringUtil::convertStringToWide(it->second, text);
  } catch (const std::exception&) {
    return false;
  }
  *this = text;
  return true;
}

void CString::processStringDataMap() {
  // The folder of the executable ("…/Contents/MacOS/") becomes the bundle's
  // Resources folder, for every later reader of gAppPath as well.
  if (gAppPath.empty()) return;
  std::string resources = gAppPath;
  resources.pop_back();
  size_t slash = resources.rfind('/');
  if (slash == std::string::npos) return;
  resources.erase(slash);
  resources += "/Resources";
  gAppPath = resources;

  CString language = languageFolder(CStartupCLIParser::getInstance()->getLocaleCode());
  CString path;
  // Only English ships with every text: a language without its own
  // strings file shows English rather than nothing.
  if (!stringsFile(resources, language, path) && !stringsFile(resources, CString(u"en"), path))
    return;

  CZorbFile file(platform::encoding::kUTF8);
  if (!file.Open(path, 0)) return;
  CString text;
  const bool read = file.ReadFile(text) != 0;
  file.Close();
  // A file that cannot be read whole gives no strings rather than some.
  if (read) StringsReader(text).readInto(g_DataMap);
}
