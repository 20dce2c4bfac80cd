#include "foundation/CZorbXmlPairs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/TempDir.h"

namespace {

using Pairs = CZorbXmlPairs::Pairs;
using Expected = std::map<std::u16string, std::u16string>;

std::map<std::u16string, std::u16string> AsMap(const Pairs& pairs) {
  std::map<std::u16string, std::u16string> out;
  for (const auto& [key, value] : pairs)
    out[std::u16string(key.Get(), static_cast<size_t>(key.GetLength()))] =
        std::u16string(value.Get(), static_cast<size_t>(value.GetLength()));
  return out;
}

CZorbXmlPairs::Answer FromBytes(const std::string& bytes, const char16_t* prefix, Pairs& pairs) {
  return CZorbXmlPairs::ReadBytes(bytes.data(), bytes.size(), CString(prefix), pairs);
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::string Utf32(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : text) {
    const std::string be = {0, 0, static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    bytes += bigEndian ? be : std::string(be.rbegin(), be.rend());
  }
  return bytes;
}

struct DocumentCase {
  const char* name;
  std::string document;
  const char16_t* prefix;
  CZorbXmlPairs::Answer answer;
  Expected pairs;
};

}  // namespace

TEST(CZorbXmlPairs, WalksThePrefixAndTakesKeysAndTexts) {
  const std::vector<DocumentCase> cases = {
      {"two pairs",
       R"(<Resources><Data key="DefaultSet.a">One</Data><Data key="DefaultSet.b">two words</Data></Resources>)",
       u"Resources.Data",
       CZorbXmlPairs::kPairs,
       {{u"DefaultSet.a", u"One"}, {u"DefaultSet.b", u"two words"}}},
      {"three levels, every matching parent",
       "<Configuration><VariableForPlexo><Data key=\"a\">1</Data></VariableForPlexo>"
       "<Other><Data key=\"x\">no</Data></Other>"
       "<VariableForPlexo><Data key=\"b\">2</Data><Data key=\"a\">3</Data></VariableForPlexo>"
       "</Configuration>",
       u"Configuration.VariableForPlexo.Data",
       CZorbXmlPairs::kPairs,
       {{u"a", u"3"}, {u"b", u"2"}}},
      {"the text as written: blanks, line ends, entities, CDATA and inner markup",
       "<R><Data key=\"k\">  a &amp; b\n<![CDATA[<c> & d]]><i>e</i>f </Data></R>",
       u"R.Data",
       CZorbXmlPairs::kPairs,
       {{u"k", u"  a & b\n<c> & def "}}},
      {"an element without a key gives no pair",
       R"(<R><Data>v</Data><Data key="">e</Data></R>)",
       u"R.Data",
       CZorbXmlPairs::kPairs,
       {{u"", u"e"}}},
      {"Name elements deeper down do not count",
       R"(<Resources><Set><Data key="a">1</Data></Set></Resources>)",
       u"Resources.Data",
       CZorbXmlPairs::kNoSuchElement,
       {}},
      {"another root",
       R"(<Other><Data key="a">1</Data></Other>)",
       u"Resources.Data",
       CZorbXmlPairs::kNoSuchElement,
       {}},
      {"names are case-sensitive",
       R"(<resources><data key="a">1</data></resources>)",
       u"Resources.Data",
       CZorbXmlPairs::kNoSuchElement,
       {}},
      {"a one-part prefix names the root",
       R"(<Data key="a">1</Data>)",
       u"Data",
       CZorbXmlPairs::kPairs,
       {{u"a", u"1"}}},
      {"an empty part in the prefix finds nothing",
       R"(<R><Data key="a">1</Data></R>)",
       u"R..Data",
       CZorbXmlPairs::kNoSuchElement,
       {}},
      {"not well-formed", R"(<R><Data key="a">1</R>)", u"R.Data", CZorbXmlPairs::kUnreadable, {}},
      {"pairs before the error are not given",
       R"(<R><Data key="a">1</Data><Data key="b">2</Data><Data></R>)",
       u"R.Data",
       CZorbXmlPairs::kUnreadable,
       {}},
      {"empty document", "", u"R.Data", CZorbXmlPairs::kUnreadable, {}},
      {"external entities are never read",
       "<!DOCTYPE R [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
       "<R><Data key=\"a\">[&e;]</Data></R>",
       u"R.Data",
       CZorbXmlPairs::kPairs,
       {{u"a", u"[]"}}},
  };
  for (const DocumentCase& c : cases) {
    SCOPED_TRACE(c.name);
    Pairs pairs;
    EXPECT_EQ(FromBytes(c.document, c.prefix, pairs), c.answer);
    EXPECT_EQ(AsMap(pairs), c.pairs);
  }
}

TEST(CZorbXmlPairs, DecodesByMarkDeclarationOrUtf8) {
  struct EncodingCase {
    const char* name;
    std::string bytes;
    std::u16string value;
  };
  const std::string body = "<R><Data key=\"k\">caf\xC3\xA9</Data></R>";
  const std::u16string wide = u"<R><Data key=\"k\">caf\u00e9</Data></R>";
  const std::vector<EncodingCase> cases = {
      {"UTF-8 without declaration", body, u"caf\u00e9"},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + body, u"caf\u00e9"},
      {"UTF-16LE with mark", "\xFF\xFE" + Utf16(wide, false), u"caf\u00e9"},
      {"UTF-16BE with mark", "\xFE\xFF" + Utf16(wide, true), u"caf\u00e9"},
      {"UTF-16LE without mark", Utf16(wide, false), u"caf\u00e9"},
      {"UTF-32LE with mark", std::string("\xFF\xFE\0\0", 4) + Utf32(wide, false), u"caf\u00e9"},
      {"UTF-32BE with mark", std::string("\0\0\xFE\xFF", 4) + Utf32(wide, true), u"caf\u00e9"},
      {"UTF-32LE without mark", Utf32(wide, false), u"caf\u00e9"},
      {"ISO-8859-1 declared",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><R><Data key=\"k\">caf\xE9</Data></R>",
       u"caf\u00e9"},
      {"Mac Roman declared",
       "<?xml version=\"1.0\" encoding=\"macintosh\"?><R><Data key=\"k\">caf\x8E</Data></R>",
       u"caf\u00e9"},
      {"Shift_JIS declared",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><R><Data "
       "key=\"k\">\x93\xFA\x96\x7B</Data></R>",
       u"\u65e5\u672c"},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    Pairs pairs;
    EXPECT_EQ(FromBytes(c.bytes, u"R.Data", pairs), CZorbXmlPairs::kPairs);
    EXPECT_EQ(AsMap(pairs), (Expected{{u"k", c.value}}));
  }
}

TEST(CZorbXmlPairs, RefusesEntityExpansionBombsQuickly) {
  std::string bomb = "<!DOCTYPE R [<!ENTITY a \"aaaaaaaaaa\">";
  for (char level = 'b'; level <= 'j'; ++level) {
    bomb += "<!ENTITY ";
    bomb += level;
    bomb += " \"";
    for (int i = 0; i < 10; ++i) bomb += std::string("&") + static_cast<char>(level - 1) + ";";
    bomb += "\">";
  }
  bomb += "]><R><Data key=\"k\">&j;</Data></R>";
  Pairs pairs;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FromBytes(bomb, u"R.Data", pairs), CZorbXmlPairs::kUnreadable);
  EXPECT_TRUE(pairs.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

class CZorbXmlPairsFiles : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    TempDir::write(dir / name, bytes);
  }
  CZorbXmlPairs::Answer Read(const std::string& text, Pairs& pairs) {
    const std::u16string wide(text.begin(), text.end());
    return CZorbXmlPairs::Read(CString(wide.c_str()), CString(u"Resources.Data"), pairs);
  }
  TempDir dir;
};

TEST_F(CZorbXmlPairsFiles, ReadsAFileByPathOrFileUrl) {
  Write("res.xml", R"(<Resources><Data key="a">1</Data></Resources>)");
  for (const std::string& text : {dir / "res.xml", "file://" + (dir / "res.xml")}) {
    SCOPED_TRACE(text);
    Pairs pairs;
    pairs.SetAt(CString(u"stale"), CString(u"x"));
    EXPECT_EQ(Read(text, pairs), CZorbXmlPairs::kPairs);
    EXPECT_EQ(AsMap(pairs), (Expected{{u"a", u"1"}}));
  }
}

TEST_F(CZorbXmlPairsFiles, AFolderStandsForItsXmlFilesInNameOrder) {
  Write("bundle/b.XML",
        R"(<Resources><Data key="a">from b</Data><Data key="b">b</Data></Resources>)");
  Write("bundle/a.xml",
        R"(<Resources><Data key="a">from a</Data><Data key="c">c</Data></Resources>)");
  Write("bundle/c.txt", "<not xml");
  Write("bundle/._a.xml", "AppleDouble header");
  Write("bundle/sub.xml/inner.xml", R"(<Resources><Data key="z">z</Data></Resources>)");
  Pairs pairs;
  EXPECT_EQ(Read(dir / "bundle", pairs), CZorbXmlPairs::kPairs);
  EXPECT_EQ(AsMap(pairs), (Expected{{u"a", u"from b"}, {u"b", u"b"}, {u"c", u"c"}}));

  Write("bundle/d.xml", "<Resources><Data key=\"d\">");
  EXPECT_EQ(Read(dir / "bundle", pairs), CZorbXmlPairs::kUnreadable);
  EXPECT_TRUE(pairs.empty());
}

TEST_F(CZorbXmlPairsFiles, WhatCannotBeReadIsRefused) {
  Write("res.xml", R"(<Resources><Data key="a">1</Data></Resources>)");
  Write("empty/readme.txt", "no documents");
  struct TextCase {
    std::string text;
    CZorbXmlPairs::Answer answer;
  };
  const std::vector<TextCase> cases = {
      {dir / "missing.xml", CZorbXmlPairs::kUnreadable},
      {"res.xml", CZorbXmlPairs::kUnreadable},  // not absolute
      {"file://res.xml", CZorbXmlPairs::kUnreadable},
      {"", CZorbXmlPairs::kUnreadable},
      {dir / "empty", CZorbXmlPairs::kNoSuchElement},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.text);
    Pairs pairs;
    EXPECT_EQ(Read(c.text, pairs), c.answer);
    EXPECT_TRUE(pairs.empty());
  }

  // A read the system refuses.
  platform::FaultInjectingFileSystem faults;
  faults.failPath("res.xml", EACCES, platform::kFsOpenRead);
  platform::FileSystemOverride use(faults);
  Pairs pairs;
  EXPECT_EQ(Read(dir / "res.xml", pairs), CZorbXmlPairs::kUnreadable);
}

TEST(CZorbXmlPairsProxy, AnswersLikeTheUserInterface) {
  TempDir dir;
  TempDir::write(dir / "ok.xml", R"(<Resources><Data key="a">1</Data></Resources>)");
  TempDir::write(dir / "bad.xml", "<Resources>");
  const auto text = [&](const char* name) {
    const std::string path = dir / name;
    return CString(std::u16string(path.begin(), path.end()).c_str());
  };
  CZorbXmlPairsProxy proxy;
  EXPECT_TRUE(proxy.getXMLinfoFromBareString(text("ok.xml"), CString(u"Resources.Data")));
  EXPECT_EQ(std::u16string(proxy.getValue(CString(u"a")).Get()), u"1");
  EXPECT_EQ(proxy.getValue(CString(u"b")).GetLength(), 0);

  // No such element: an answer, with nothing in it.
  EXPECT_TRUE(proxy.getXMLinfoFromBareString(text("ok.xml"), CString(u"Other.Data")));
  EXPECT_TRUE(proxy.GetResults().empty());

  EXPECT_TRUE(proxy.getXMLinfoFromBareString(text("ok.xml"), CString(u"Resources.Data")));
  EXPECT_FALSE(proxy.getXMLinfoFromBareString(text("bad.xml"), CString(u"Resources.Data")));
  EXPECT_TRUE(proxy.GetResults().empty());
}

TEST(CZorbGetXMLProxy, TheInstanceIsForgottenWhenItGoes) {
  EXPECT_EQ(CZorbGetXMLProxy::GetInstance(), nullptr);
  {
    CZorbXmlPairsProxy proxy;
    CZorbGetXMLProxy::SetInstance(&proxy);
    EXPECT_EQ(CZorbGetXMLProxy::GetInstance(), &proxy);
    CZorbXmlPairsProxy other;  // another proxy going away leaves it alone
  }
  EXPECT_EQ(CZorbGetXMLProxy::GetInstance(), nullptr);
}
