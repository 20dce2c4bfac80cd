#include "platform/os/TextEncodings.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/os/MacSingleByteTables.h"
#include "platform/os/PreferredLanguages.h"

namespace platform {

namespace {

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string unicodeName(TextEncoding e) {
  const uint32_t base = textEncodingBase(e);
  switch (textEncodingFormat(e)) {
    case 0:
      return base == encoding::kUnicodeV2 ? "UTF-32BE" : "UTF-16BE";
    case 1:
      return "UTF-7";
    case 2:
      return "UTF-8";
    case 3:
    case 6:
      return "UTF-32BE";
    case 4:
      return "UTF-16BE";
    case 5:
      return "UTF-16LE";
    case 7:
      return "UTF-32LE";
    default:
      return {};
  }
}

}  // namespace

std::string iconvNameForEncoding(TextEncoding e) {
  const uint32_t base = textEncodingBase(e);
  if (base >= 0x100 && base <= 0x1FF) return unicodeName(e);
  // ISO 8859 parts 1-16 (there is no part 12).
  if (base >= 0x201 && base <= 0x210 && base != 0x20C)
    return "ISO-8859-" + std::to_string(base - 0x200);
  switch (base) {
    case 1:
      return "CP932";
    case 2:
      return "BIG5";
    case 3:
      return "CP949";
    case 25:
      return "GBK";
    case 29:
      return "MAC-CENTRALEUROPE";
    case 152:
      return "MAC-UK";
    case 0x400:
      return "CP437";
    case 0x405:
      return "CP737";
    case 0x406:
      return "CP775";
    case 0x410:
      return "CP850";
    case 0x412:
      return "CP852";
    case 0x413:
      return "CP855";
    case 0x414:
      return "CP857";
    case 0x415:
      return "CP860";
    case 0x416:
      return "CP861";
    case 0x417:
      return "CP862";
    case 0x418:
      return "CP863";
    case 0x419:
      return "CP864";
    case 0x41A:
      return "CP865";
    case 0x41B:
      return "CP866";
    case 0x41C:
      return "CP869";
    case 0x41D:
      return "CP874";
    case 0x420:
      return "CP932";
    case 0x421:
      return "CP936";
    case 0x422:
      return "CP949";
    case 0x423:
      return "CP950";
    case 0x500:
      return "CP1252";
    case 0x501:
      return "CP1250";
    case 0x502:
      return "CP1251";
    case 0x503:
      return "CP1253";
    case 0x504:
      return "CP1254";
    case 0x505:
      return "CP1255";
    case 0x506:
      return "CP1256";
    case 0x507:
      return "CP1257";
    case 0x508:
      return "CP1258";
    case 0x600:
      return "US-ASCII";
    case 0x631:
      return "GBK";
    case 0x632:
      return "GB18030";
    case 0x820:
      return "ISO-2022-JP";
    case 0x821:
      return "ISO-2022-JP-2";
    case 0x830:
      return "ISO-2022-CN";
    case 0x831:
      return "ISO-2022-CN-EXT";
    case 0x840:
      return "ISO-2022-KR";
    case 0x920:
      return "EUC-JP";
    case 0x930:
      return "EUC-CN";
    case 0x931:
      return "EUC-TW";
    case 0x940:
      return "EUC-KR";
    case 0xA01:
      return "CP932";
    case 0xA02:
      return "KOI8-R";
    case 0xA03:
      return "BIG5";
    case 0xA06:
      return "BIG5-HKSCS";
    case 0xA07:
      return "VISCII";
    case 0xA08:
      return "KOI8-U";
    default:
      return {};
  }
}

bool isTextEncodingSupported(TextEncoding e) {
  return !iconvNameForEncoding(e).empty() || macSingleByteTable(textEncodingBase(e)) != nullptr;
}

namespace {

struct NameEntry {
  const char* name;
  TextEncoding encoding;
};

// Internet (IANA and common "x-") charset names. "iso-x-sjis" is left out on
// purpose: callers treat it themselves.
const NameEntry kInternetNames[] = {
    {"utf-8", encoding::kUTF8},
    {"utf8", encoding::kUTF8},
    {"unicode-1-1-utf-8", encoding::kUTF8},
    {"utf-7", makeTextEncoding(0x100, 0, 1)},
    {"utf-16", encoding::kUnicodeDefault},
    {"utf-16be", encoding::kUnicodeDefault},
    {"utf-16le", encoding::kUTF16LE},
    {"iso-10646-ucs-2", encoding::kUnicodeDefault},
    {"utf-32", encoding::kUTF32},
    {"utf-32be", encoding::kUTF32},
    {"utf-32le", encoding::kUTF32LE},
    {"us-ascii", encoding::kUSASCII},
    {"ascii", encoding::kUSASCII},
    {"ansi_x3.4-1968", encoding::kUSASCII},
    {"iso646-us", encoding::kUSASCII},
    {"csascii", encoding::kUSASCII},
    {"iso-8859-1", 0x201},
    {"iso_8859-1", 0x201},
    {"latin1", 0x201},
    {"l1", 0x201},
    {"iso-8859-2", 0x202},
    {"latin2", 0x202},
    {"iso-8859-3", 0x203},
    {"iso-8859-4", 0x204},
    {"iso-8859-5", 0x205},
    {"cyrillic", 0x205},
    {"iso-8859-6", 0x206},
    {"arabic", 0x206},
    {"iso-8859-7", 0x207},
    {"greek", 0x207},
    {"iso-8859-8", 0x208},
    {"iso-8859-8-i", 0x208},
    {"hebrew", 0x208},
    {"iso-8859-9", 0x209},
    {"latin5", 0x209},
    {"iso-8859-10", 0x20A},
    {"iso-8859-11", 0x20B},
    {"iso-8859-13", 0x20D},
    {"iso-8859-14", 0x20E},
    {"iso-8859-15", 0x20F},
    {"latin-9", 0x20F},
    {"iso-8859-16", 0x210},
    {"windows-1250", 0x501},
    {"windows-1251", 0x502},
    {"windows-1252", 0x500},
    {"windows-1253", 0x503},
    {"windows-1254", 0x504},
    {"windows-1255", 0x505},
    {"windows-1256", 0x506},
    {"windows-1257", 0x507},
    {"windows-1258", 0x508},
    {"cp1250", 0x501},
    {"cp1251", 0x502},
    {"cp1252", 0x500},
    {"cp1253", 0x503},
    {"cp1254", 0x504},
    {"cp1255", 0x505},
    {"cp1256", 0x506},
    {"cp1257", 0x507},
    {"cp1258", 0x508},
    {"windows-874", 0x41D},
    {"tis-620", 0x41D},
    {"ibm437", 0x400},
    {"cp437", 0x400},
    {"ibm850", 0x410},
    {"cp850", 0x410},
    {"ibm852", 0x412},
    {"ibm855", 0x413},
    {"ibm857", 0x414},
    {"ibm862", 0x417},
    {"ibm866", 0x41B},
    {"cp866", 0x41B},
    {"macintosh", encoding::kMacRoman},
    {"mac", encoding::kMacRoman},
    {"x-mac-roman", encoding::kMacRoman},
    {"csmacintosh", encoding::kMacRoman},
    {"x-mac-japanese", encoding::kMacJapanese},
    // Mac traditional Chinese is value 2, which counts as UTF-8: hand out Big5.
    {"x-mac-chinesetrad", encoding::kBig5},
    {"x-mac-trad-chinese", encoding::kBig5},
    {"x-mac-korean", encoding::kMacKorean},
    {"x-mac-arabic", encoding::kMacArabic},
    {"x-mac-hebrew", encoding::kMacHebrew},
    {"x-mac-greek", encoding::kMacGreek},
    {"x-mac-cyrillic", encoding::kMacCyrillic},
    {"x-mac-thai", encoding::kMacThai},
    {"x-mac-chinesesimp", encoding::kMacChineseSimp},
    {"x-mac-simp-chinese", encoding::kMacChineseSimp},
    {"x-mac-ce", encoding::kMacCentralEurRoman},
    {"x-mac-centraleurroman", encoding::kMacCentralEurRoman},
    {"x-mac-turkish", encoding::kMacTurkish},
    {"x-mac-croatian", encoding::kMacCroatian},
    {"x-mac-icelandic", encoding::kMacIcelandic},
    {"x-mac-romanian", encoding::kMacRomanian},
    {"x-mac-ukrainian", encoding::kMacUkrainian},
    {"shift_jis", encoding::kShiftJIS},
    {"shift-jis", encoding::kShiftJIS},
    {"sjis", encoding::kShiftJIS},
    {"x-sjis", encoding::kShiftJIS},
    {"ms_kanji", encoding::kShiftJIS},
    {"csshiftjis", encoding::kShiftJIS},
    {"windows-31j", encoding::kShiftJIS},
    {"cp932", encoding::kShiftJIS},
    {"euc-jp", encoding::kEUCJP},
    {"x-euc-jp", encoding::kEUCJP},
    {"cseucpkdfmtjapanese", encoding::kEUCJP},
    {"iso-2022-jp", encoding::kISO2022JP},
    {"csiso2022jp", encoding::kISO2022JP},
    {"iso-2022-jp-2", 0x821},
    {"iso-2022-kr", 0x840},
    {"iso-2022-cn", 0x830},
    {"euc-kr", encoding::kEUCKR},
    {"cseuckr", encoding::kEUCKR},
    {"ks_c_5601-1987", 0x422},
    {"cp949", 0x422},
    {"x-windows-949", 0x422},
    {"gb2312", 0x930},
    {"csgb2312", 0x930},
    {"euc-cn", 0x930},
    {"x-euc-cn", 0x930},
    {"gbk", encoding::kGBK},
    {"cp936", encoding::kGBK},
    {"x-gbk", encoding::kGBK},
    {"gb18030", encoding::kGB18030},
    {"big5", encoding::kBig5},
    {"csbig5", encoding::kBig5},
    {"cn-big5", encoding::kBig5},
    {"x-x-big5", encoding::kBig5},
    {"big5-hkscs", 0xA06},
    {"euc-tw", 0x931},
    {"koi8-r", encoding::kKOI8R},
    {"cskoi8r", encoding::kKOI8R},
    {"koi8-u", 0xA08},
    {"viscii", 0xA07},
};

std::mutex gLanguageMutex;
std::string gLanguage;

}  // namespace

bool textEncodingFromInternetName(std::string_view name, TextEncoding& out) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!name.empty() && isSpace(name.front())) name.remove_prefix(1);
  while (!name.empty() && isSpace(name.back())) name.remove_suffix(1);
  if (name.empty()) return false;
  const std::string key = lowerAscii(name);
  for (const NameEntry& entry : kInternetNames) {
    if (key == entry.name) {
      out = entry.encoding;
      return true;
    }
  }
  return false;
}

TextEncoding defaultTextEncodingForLanguage(std::string_view language) {
  const std::string lang = lowerAscii(language);
  const std::string primary = lang.substr(0, lang.find_first_of("-_"));
  if (primary == "zh") {
    // Traditional by script, else by region; simplified otherwise.
    bool hans = false, hant = false, traditionalRegion = false;
    size_t start = 0;
    while (start <= lang.size()) {
      size_t end = lang.find_first_of("-_", start);
      if (end == std::string::npos) end = lang.size();
      const std::string token = lang.substr(start, end - start);
      hans = hans || token == "hans";
      hant = hant || token == "hant";
      traditionalRegion = traditionalRegion || token == "tw" || token == "hk" || token == "mo";
      start = end + 1;
    }
    const bool traditional = hant || (!hans && traditionalRegion);
    return traditional ? encoding::kBig5 : encoding::kMacChineseSimp;
  }
  struct Entry {
    const char* language;
    TextEncoding encoding;
  };
  static const Entry kTable[] = {
      {"ja", encoding::kMacJapanese},        {"ko", encoding::kMacKorean},
      {"ar", encoding::kMacArabic},          {"fa", encoding::kMacArabic},
      {"he", encoding::kMacHebrew},          {"iw", encoding::kMacHebrew},
      {"el", encoding::kMacGreek},           {"ru", encoding::kMacCyrillic},
      {"uk", encoding::kMacCyrillic},        {"bg", encoding::kMacCyrillic},
      {"be", encoding::kMacCyrillic},        {"mk", encoding::kMacCyrillic},
      {"sr", encoding::kMacCyrillic},        {"th", encoding::kMacThai},
      {"tr", encoding::kMacTurkish},         {"hr", encoding::kMacCroatian},
      {"sl", encoding::kMacCroatian},        {"is", encoding::kMacIcelandic},
      {"ro", encoding::kMacRomanian},        {"cs", encoding::kMacCentralEurRoman},
      {"pl", encoding::kMacCentralEurRoman}, {"hu", encoding::kMacCentralEurRoman},
      {"sk", encoding::kMacCentralEurRoman}, {"et", encoding::kMacCentralEurRoman},
      {"lv", encoding::kMacCentralEurRoman}, {"lt", encoding::kMacCentralEurRoman},
  };
  for (const Entry& e : kTable) {
    if (primary == e.language) return e.encoding;
  }
  return encoding::kMacRoman;
}

void setTextEncodingLanguage(std::string language) {
  std::lock_guard<std::mutex> lock(gLanguageMutex);
  gLanguage = std::move(language);
}

std::string textEncodingLanguage() {
  std::lock_guard<std::mutex> lock(gLanguageMutex);
  return gLanguage;
}

TextEncoding applicationTextEncoding() {
  const std::string language = textEncodingLanguage();
  if (!language.empty()) return defaultTextEncodingForLanguage(language);
  // Before the UI language is chosen: the user's first language, which the
  // choice starts from.
  const std::vector<std::string> preferred = preferredLanguages();
  return defaultTextEncodingForLanguage(preferred.empty() ? std::string() : preferred.front());
}

}  // namespace platform
