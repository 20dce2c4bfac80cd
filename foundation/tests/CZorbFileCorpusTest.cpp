// Japanese documents of the public XML conformance suite: the same text in
// several encodings, detected and decoded through CZorbFile.
#include "foundation/CZorbFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/EncodingDetector.h"
#include "platform/os/ColonPath.h"

namespace {

const std::string kFolder =
    std::string(PLEXAR_SHARED_DIR) + "/corpus/xml/w3c-xmlts20130923/xmlconf/japanese";

class JapaneseCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kFolder))
      GTEST_SKIP() << "corpus folder absent: " << kFolder;
  }

  // The corpus is read where it lies, on the default volume.
  static std::u16string Colon(const std::string& name) {
    return platform::posixToColon(kFolder + "/" + name).value_or(u"");
  }

  // Opens the file the way the XML reader does: the mark's encoding, else
  // the declared one, else UTF-8.
  static void Open(CZorbFile& file, const std::string& name) {
    ASSERT_TRUE(file.Open(Colon(name).c_str(), 0)) << name;
    // Without a mark or a declaration the file stays UTF-8.
    if (!file.SetEncodingFromByteOrderMark()) (void)file.SetEncodingFromXMLDecl();
  }

  static std::u16string WholeText(const std::string& name, uint32_t* encoding = nullptr) {
    CZorbFile file(0x08000100);
    Open(file, name);
    if (encoding) *encoding = file.GetScriptCode();
    CString text;
    EXPECT_GT(file.ReadFile(text), 0u) << name;
    return std::u16string(text.Get(), text.GetLength());
  }

  static std::vector<std::u16string> Lines(const std::string& name) {
    CZorbFile file(0x08000100);
    Open(file, name);
    file.ReadPastByteOrderMark();
    std::vector<std::u16string> lines;
    CString line;
    while (file.ReadString(line)) lines.emplace_back(line.Get(), line.GetLength());
    return lines;
  }

  // Lines of a whole text split at CR LF or LF.
  static std::vector<std::u16string> Split(const std::u16string& text) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      size_t stop = end;
      if (stop > start && text[stop - 1] == u'\r') --stop;
      lines.push_back(text.substr(start, stop - start));
      start = end + 1;
    }
    return lines;
  }
};

TEST_F(JapaneseCorpus, SameTextInEveryNarrowEncoding) {
  struct Case {
    const char* name;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"pr-xml-euc-jp.xml", 0x0920},
      {"pr-xml-shift_jis.xml", 0x0A01},
      {"pr-xml-iso-2022-jp.xml", 0x0820},
  };
  std::u16string reference;
  for (const Case& c : cases) {
    uint32_t encoding = 0;
    const std::u16string text = WholeText(c.name, &encoding);
    EXPECT_EQ(encoding, c.encoding) << c.name;
    EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << c.name;
    const std::u16string body = text.substr(text.find(u'\n') + 1);
    EXPECT_GT(body.size(), 50000u) << c.name;
    if (reference.empty())
      reference = body;
    else
      EXPECT_EQ(body, reference) << c.name;

    // Line by line gives the same lines as the whole text.
    EXPECT_EQ(Lines(c.name), Split(text)) << c.name;
  }
}

TEST_F(JapaneseCorpus, Utf16ByMarkInEitherByteOrder) {
  struct Case {
    const char* name;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"pr-xml-utf-16.xml", 0x100},
      {"pr-xml-little-endian.xml", 0x14000100},
  };
  for (const Case& c : cases) {
    uint32_t encoding = 0;
    const std::u16string text = WholeText(c.name, &encoding);
    EXPECT_EQ(encoding, c.encoding) << c.name;
    EXPECT_EQ(text.substr(0, 5), u"<?xml") << c.name;
    EXPECT_EQ(text.find(u'\uFFFD'), std::u16string::npos) << c.name;
    EXPECT_EQ(Lines(c.name), Split(text)) << c.name;
  }
}

TEST_F(JapaneseCorpus, DetectorTellsTheJapaneseEncodings) {
  struct Case {
    const char* name;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"weekly-euc-jp.xml", 0x0920},
      {"weekly-shift_jis.xml", 0x0A01},
      {"weekly-iso-2022-jp.xml", 0x0820},
  };
  for (const Case& c : cases) {
    CZorbFile file(0x08000100);
    ASSERT_TRUE(file.Open(Colon(c.name).c_str(), 0));
    std::vector<char> bytes(static_cast<size_t>(file.GetLength()));
    ASSERT_EQ(file.ReadBytes(bytes.data(), static_cast<unsigned>(bytes.size())), bytes.size());
    JapaneseDetector detector;
    for (char b : bytes) detector.ScanByte(static_cast<unsigned char>(b));
    EXPECT_EQ(detector.GetEncoding(), c.encoding) << c.name;
  }
}

}  // namespace
