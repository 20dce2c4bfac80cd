// The parser over the public XML conformance documents in ../shared/corpus/xml.
// expat is the judge: a document that expat, set up as the parser sets it up,
// parses from its bytes must parse through ParseFile, and one it refuses as
// not well-formed must be refused. The parser's own reading (trimmed lines,
// its fixed declaration, decoding through the program's converters) gives a
// few known, listed differences.

#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "foundation/CZorbXMLParser.h"
#include "platform/os/ColonPath.h"
#include "platform/os/TextEncodings.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(PLEXAR_SHARED_DIR) / "corpus" / "xml";

class Counter : public CZorbXMLParser {
 public:
  void OnElementStart(const char16_t*, const char16_t** attrs) override {
    ++elements;
    for (const char16_t* a = GetFirstAttr(attrs); a; a = GetNextAttr()) GetValue();
  }
  int elements = 0;
};

void NoStart(void*, const XML_Char*, const XML_Char**) {}
void NoEnd(void*, const XML_Char*) {}
void NoText(void*, const XML_Char*, int) {}
void NoDefault(void*, const XML_Char*, int) {}

enum class Verdict { Accepted, Refused, UnknownEncoding };

// expat on the file's own bytes, with the handlers the parser installs (a
// default handler, so internal entities stay unexpanded), nothing external.
Verdict Judge(const std::string& bytes) {
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetElementHandler(p, NoStart, NoEnd);
  XML_SetCharacterDataHandler(p, NoText);
  XML_SetDefaultHandler(p, NoDefault);
  XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
  const bool ok =
      XML_Parse(p, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
  const XML_Error error = XML_GetErrorCode(p);
  XML_ParserFree(p);
  if (ok) return Verdict::Accepted;
  return error == XML_ERROR_UNKNOWN_ENCODING || error == XML_ERROR_INCORRECT_ENCODING
             ? Verdict::UnknownEncoding
             : Verdict::Refused;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Documents on which ParseFile and expat disagree by design, by their path
// below the corpus folder.
const std::map<std::string, const char*>& KnownDifferences() {
  static const char* const kDefault =
      "No mark and no charset: the default text encoding (Mac Roman here), not UTF-8";
  static const char* const kDecl =
      "The source's declaration is replaced by the parser's own, so its syntax and standalone flag "
      "go "
      "unchecked";
  static const char* const kTrim =
      "Lines are trimmed: white space (blank lines too) before the declaration and VT or FF at "
      "line ends "
      "vanish";
  static const std::map<std::string, const char*> known = {
      {"w3c-xmlts20130923/xmlconf/japanese/weekly-utf-8.xml", kDefault},
      {"w3c-xmlts20130923/xmlconf/oasis/p04pass1.xml", kDefault},
      {"w3c-xmlts20130923/xmlconf/oasis/p05fail4.xml", kDefault},
      {"w3c-xmlts20130923/xmlconf/oasis/p23fail2.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p23fail3.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p23fail4.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p24fail1.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p24fail2.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p25fail1.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p26fail1.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p26fail2.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p32fail1.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p32fail2.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p32fail3.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p32fail4.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p32fail5.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding01.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding02.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding03.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding04.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding05.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/encoding06.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/not-sa03.xml", kDecl},
      {"w3c-xmlts20130923/xmlconf/oasis/p03fail10.xml", kTrim},
      {"w3c-xmlts20130923/xmlconf/oasis/p03fail11.xml", kTrim},
      {"w3c-xmlts20130923/xmlconf/sun/not-wf/sgml02.xml", kTrim},
      {"w3c-xmlts20130923/xmlconf/oasis/p01fail1.xml", kTrim},
      {"w3c-xmlts20130923/xmlconf/oasis/p22fail1.xml", kTrim},
  };
  return known;
}

}  // namespace

TEST(XmlParserCorpus, AgreesWithExpat) {
  if (!fs::is_directory(kCorpus))
    GTEST_SKIP() << "no XML corpus at " << kCorpus << "; conformance not checked";
  // Documents without a mark or charset are read in the default encoding.
  platform::setTextEncodingLanguage("en");

  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = entry.path().extension().string();
    if (ext == ".xml" || ext == "") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());

  int compared = 0, bothAccept = 0, bothRefuse = 0;
  std::vector<std::string> disagreements;
  for (const fs::path& file : files) {
    const std::string rel = fs::relative(file, kCorpus).string();
    const std::string bytes = Read(file);
    const Verdict verdict = Judge(bytes);

    const std::u16string colon = platform::posixToColon(file.string()).value();
    Counter parser;
    const int result = parser.ParseFile(colon.c_str(), false);

    if (verdict == Verdict::UnknownEncoding)
      continue;  // expat cannot read it; the parser decodes it itself
    ++compared;
    const bool agree = verdict == Verdict::Accepted ? result == 0 : result != 0;
    if (agree) ++(result == 0 ? bothAccept : bothRefuse);
    if (agree == (KnownDifferences().count(rel) == 0)) continue;
    disagreements.push_back(rel +
                            (verdict == Verdict::Accepted ? ": expat accepts, ParseFile gives "
                                                          : ": expat refuses, ParseFile gives ") +
                            std::to_string(result) +
                            (agree ? " (listed as a known difference)" : ""));
  }
  std::string report;
  for (const std::string& d : disagreements) report += d + "\n";
  platform::setTextEncodingLanguage("");
  EXPECT_TRUE(disagreements.empty())
      << disagreements.size() << " of " << compared << " documents:\n"
      << report;
  // Most of the corpus must have been compared, both ways.
  EXPECT_GT(compared, 600);
  EXPECT_GT(bothAccept, 250);
  EXPECT_GT(bothRefuse, 250);
}
