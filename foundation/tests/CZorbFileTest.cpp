#include "foundation/CZorbFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "testsupport/SandboxMachine.h"

namespace {

using Bytes = std::string;

constexpr uint32_t kUTF8 = 0x08000100;
constexpr uint32_t kUTF16 = 0x100;
constexpr uint32_t kISO2022JP = 0x0820;
constexpr uint32_t kShiftJIS = 0x0A01;
constexpr uint32_t kMacRoman = 0;

class CZorbFileTest : public ::testing::Test {
 protected:
  // Colon paths read "Test:a:b", on a volume over an empty folder.
  testsupport::SandboxMachine sandbox{testsupport::SandboxMachine::bareVolume("Test")};

  void Put(const std::string& name, const Bytes& content) { sandbox.writeFile(name, content); }
  Bytes Get(const std::string& name) { return sandbox.readFile(name); }

  // Opens name for reading in the encoding.
  void OpenForReading(CZorbFile& file, const std::string& name) {
    ASSERT_TRUE(file.Open(sandbox.colon(name).c_str(), 0));
  }

  // The bytes that writing with fn into a fresh file gives.
  template <class Fn>
  Bytes Written(uint32_t encoding, Fn fn) {
    CZorbFile file(encoding);
    EXPECT_TRUE(file.Open(sandbox.colon("out").c_str(), 4097));
    fn(file);
    file.Close();
    return Get("out");
  }
};

TEST_F(CZorbFileTest, WriteLineEncodeTurnsEveryLineEndIntoOneCarriageReturn) {
  struct Case {
    const char16_t* text;
    bool lineEnd;
    Bytes bytes;
  };
  const Case cases[] = {
      {u"abc", true, "abc\r"},
      {u"abc", false, "abc"},
      {u"a\nb", true, "a\rb\r"},
      {u"a\r\nb\n\rc\rd\ne", false, "a\rb\rc\rd\re"},
      {u"abc\n", true, "abc\r"},  // no second line end
      {u"abc\r\n", true, "abc\r"},
      {u"\n\n", true, "\r\r"},
      {u"\r\n\r\n", false, "\r\r"},
      {u"", true, "\r"},
      {u"", false, ""},
      {nullptr, true, "\r"},
      {u"caf\u00e9\n", true, "caf\xC3\xA9\r"},
  };
  for (const Case& c : cases) {
    const unsigned length =
        c.text ? static_cast<unsigned>(std::char_traits<char16_t>::length(c.text)) : 0;
    EXPECT_EQ(
        Written(kUTF8,
                [&](CZorbFile& f) { EXPECT_EQ(f.WriteLineEncode(c.text, length, c.lineEnd), 0); }),
        c.bytes)
        << testing::PrintToString(c.bytes);
  }
  // WriteString and WriteLine go the same way.
  EXPECT_EQ(Written(kUTF8, [](CZorbFile& f) { EXPECT_EQ(f.WriteString(u"x\ny\n"), 0); }), "x\ry\r");
  EXPECT_EQ(Written(kUTF8, [](CZorbFile& f) { EXPECT_EQ(f.WriteLine(u"x", 1, false), 0); }), "x");
  EXPECT_EQ(Written(kUTF8, [](CZorbFile& f) { EXPECT_EQ(f.WriteLine(u"", 0, true), 0); }), "\r");
}

TEST_F(CZorbFileTest, LinesInWideAndShiftedEncodings) {
  // UTF-16: the line ends are whole characters of the encoding.
  EXPECT_EQ(Written(kUTF16, [](CZorbFile& f) { EXPECT_EQ(f.WriteString(u"a\n\u0a0d"), 0); }),
            Bytes("\x00"
                  "a"
                  "\x00\r"
                  "\x0A\x0D"
                  "\x00\r",
                  8));
  EXPECT_EQ(Written(0x103, [](CZorbFile& f) { EXPECT_EQ(f.WriteString(u"a"), 0); }),
            Bytes("\0\0\0a\0\0\0\r", 8));
  EXPECT_EQ(Written(CZorbUnicodeConverter::kUTF16LE,
                    [](CZorbFile& f) { EXPECT_EQ(f.WriteString(u"a\n\u0a0d"), 0); }),
            Bytes("a\0\r\0\x0D\x0A\r\0", 8));
  // ISO-2022-JP returns to ASCII before every line end.
  EXPECT_EQ(
      Written(kISO2022JP, [](CZorbFile& f) { EXPECT_EQ(f.WriteString(u"\u65e5\n\u672c"), 0); }),
      "\x1B$B\x46\x7C\x1B(B\r\x1B$B\x4B\x5C\x1B(B\r");
}

TEST_F(CZorbFileTest, LongKanjiTextThroughIso2022JpWrittenWhole) {
  // Alternating scripts need an escape per character: far more than two
  // bytes a unit.
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += u"\u6f22a";
  text += u"\u672b";
  EXPECT_EQ(
      Written(kISO2022JP, [&](CZorbFile& f) { EXPECT_EQ(f.Write(text.data(), text.size()), 0); })
          .size(),
      5000u * 9 + 8);

  CZorbFile in(kISO2022JP);
  OpenForReading(in, "out");
  CString back;
  EXPECT_EQ(in.ReadFile(back), text.size());
  EXPECT_EQ(std::u16string(back.Get(), back.GetLength()), text);
}

TEST_F(CZorbFileTest, WriteSubstitutesWhatTheEncodingLacks) {
  EXPECT_EQ(Written(kMacRoman, [](CZorbFile& f) { EXPECT_EQ(f.Write(u"a\u6f22b", 3), 0); }), "a?b");
  EXPECT_EQ(Written(kUTF8, [](CZorbFile& f) { EXPECT_EQ(f.Write(u"\u00e9x", 0), 0); }),
            "\xC3\xA9x");  // 0: to the terminator
  EXPECT_EQ(Written(0x7777, [](CZorbFile& f) { EXPECT_NE(f.Write(u"a", 1), 0); }), "");
}

TEST_F(CZorbFileTest, ReadsLinesWithEveryKindOfLineEnd) {
  Put("lines", "one\r\ntwo\nthree\rfour\n\rfive\r\rsix");
  CZorbFile file(kUTF8);
  OpenForReading(file, "lines");
  char16_t buf[64];
  std::vector<std::u16string> lines;
  while (file.ReadLine(buf, 64)) lines.emplace_back(buf);
  const std::vector<std::u16string> expected = {u"one",  u"two", u"three", u"four",
                                                u"five", u"",    u"six"};
  EXPECT_EQ(lines, expected);
  EXPECT_FALSE(file.ReadLine(buf, 64));

  // The next read starts behind both bytes of CR LF.
  file.SeekToBegin();
  char raw[64];
  ASSERT_TRUE(file.ReadLineRaw(raw, 64));
  EXPECT_STREQ(raw, "one");
  EXPECT_EQ(file.GetPosition(), 5);
  EXPECT_FALSE(file.ReadLineRaw(nullptr, 64));
  EXPECT_FALSE(file.ReadLineRaw(raw, 1));
}

TEST_F(CZorbFileTest, RawLinesComeInPiecesWithoutSpuriousEmptyLines) {
  // A piece that ends right before CR LF takes the line end with it, also
  // when the LF lies beyond what the piece read.
  Put("raw", Bytes(7, 'a') + "\r\nbbbbbbbbbbbb\r\nc");
  CZorbFile file(kUTF8);
  OpenForReading(file, "raw");
  char raw[8];
  std::vector<Bytes> pieces;
  while (file.ReadLineRaw(raw, sizeof raw)) pieces.emplace_back(raw);
  const std::vector<Bytes> expected = {"aaaaaaa", "bbbbbbb", "bbbbb", "c"};
  EXPECT_EQ(pieces, expected);

  // The same where a whole line's CR ends one read and its LF starts the
  // next.
  for (size_t length : {255u, 767u, 3839u}) {
    Put("edge", Bytes(length, 'z') + "\r\nnext");
    CZorbFile edge(kUTF8);
    OpenForReading(edge, "edge");
    CString line;
    ASSERT_TRUE(edge.ReadString(line));
    EXPECT_EQ(line.GetLength(), static_cast<int32_t>(length));
    ASSERT_TRUE(edge.ReadString(line));
    EXPECT_EQ(std::u16string(line.Get(), line.GetLength()), u"next");
  }
}

TEST_F(CZorbFileTest, LongLineWithMultibyteCharacterAtTheBoundaryReadsBackExactly) {
  // 5,000 bytes: ASCII up to byte 4094, then a three-byte character at
  // bytes 4095-4097, then more ASCII.
  std::u16string line(4095, u'x');
  line += u'\u6f22';
  line += std::u16string(5000 - 4098, u'y');
  const Bytes bytes = Bytes(4095, 'x') + "\xE6\xBC\xA2" + Bytes(5000 - 4098, 'y');
  ASSERT_EQ(bytes.size(), 5000u);
  Put("long", bytes + "\r\nnext\n");

  CZorbFile file(kUTF8);
  OpenForReading(file, "long");
  CString whole;
  ASSERT_TRUE(file.ReadString(whole));
  EXPECT_EQ(std::u16string(whole.Get(), whole.GetLength()), line);
  ASSERT_TRUE(file.ReadString(whole));
  EXPECT_EQ(std::u16string(whole.Get(), whole.GetLength()), u"next");
  EXPECT_FALSE(file.ReadString(whole));

  // Through a 4,096-unit buffer the line comes in two pieces that join
  // exactly, and the next line is the next line.
  file.SeekToBegin();
  std::vector<char16_t> buf(4096);
  ASSERT_TRUE(file.ReadLineDecode(buf.data(), 4096));
  std::u16string joined(buf.data());
  EXPECT_EQ(joined.size(), 4095u);
  ASSERT_TRUE(file.ReadLineDecode(buf.data(), 4096));
  joined += buf.data();
  EXPECT_EQ(joined, line);
  ASSERT_TRUE(file.ReadString(buf.data(), 4096));
  EXPECT_EQ(std::u16string(buf.data()), u"next");
  EXPECT_EQ(file.ReadString(buf.data(), 4096), nullptr);
}

TEST_F(CZorbFileTest, PiecesKeepSurrogatePairsTogether) {
  Put("pairs",
      "ab\xF0\x9F\x98\x80"
      "c\n");
  CZorbFile file(kUTF8);
  OpenForReading(file, "pairs");
  char16_t buf[4];
  std::u16string joined;
  while (file.ReadLineDecode(buf, 4)) {
    joined += buf;
    EXPECT_FALSE(std::u16string(buf).back() >= 0xD800 && std::u16string(buf).back() <= 0xDBFF);
  }
  EXPECT_EQ(joined, u"ab\U0001F600c");
}

TEST_F(CZorbFileTest, WideEncodingLinesAreFoundOnWholeUnits) {
  // U+0A0D holds both line-end bytes but is no line end; the mark tells the
  // width and the order of the units.
  struct Case {
    const char* name;
    Bytes bytes;
    uint32_t encoding;
  };
  const Case cases[] = {
      {"UTF-16BE", Bytes("\xFE\xFF\0a\x0A\x0D\0\r\0\n\0b", 12), kUTF16},
      {"UTF-16LE",
       Bytes("\xFF\xFE"
             "a\0\x0D\x0A\r\0\n\0b\0",
             12),
       CZorbUnicodeConverter::kUTF16LE},
      {"UTF-32BE", Bytes("\0\0\xFE\xFF\0\0\0a\0\0\x0A\x0D\0\0\0\r\0\0\0\n\0\0\0b", 24), 0x103},
      {"UTF-32LE", Bytes("\xFF\xFE\0\0a\0\0\0\x0D\x0A\0\0\r\0\0\0\n\0\0\0b\0\0\0", 24),
       CZorbUnicodeConverter::kUTF32LE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put("wide", c.bytes);
    CZorbFile file(kMacRoman);
    OpenForReading(file, "wide");
    ASSERT_TRUE(file.SetEncodingFromByteOrderMark());
    EXPECT_EQ(file.GetScriptCode(), c.encoding);
    file.ReadPastByteOrderMark();
    char16_t buf[16];
    ASSERT_TRUE(file.ReadLine(buf, 16));
    EXPECT_EQ(std::u16string(buf), u"a\u0a0d");
    ASSERT_TRUE(file.ReadLine(buf, 16));
    EXPECT_EQ(std::u16string(buf), u"b");
    EXPECT_FALSE(file.ReadLine(buf, 16));
  }
}

// Whatever encoding a file is opened for, the text behind a mark is read
// in the encoding the mark announces.
TEST_F(CZorbFileTest, ReadFileReadsTheMarksEncoding) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"UTF-8",
       "\xEF\xBB\xBF"
       "caf\xC3\xA9"},
      {"UTF-16BE", Bytes("\xFE\xFF\0c\0a\0f\0\xE9", 10)},
      {"UTF-16LE", Bytes("\xFF\xFE"
                         "c\0a\0f\0\xE9\0",
                         10)},
      {"UTF-32BE", Bytes("\0\0\xFE\xFF\0\0\0c\0\0\0a\0\0\0f\0\0\0\xE9", 20)},
      {"UTF-32LE", Bytes("\xFF\xFE\0\0"
                         "c\0\0\0a\0\0\0f\0\0\0\xE9\0\0\0",
                         20)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put("marked", c.bytes);
    for (const uint32_t opened : {kUTF8, kMacRoman}) {
      CZorbFile file(opened);
      OpenForReading(file, "marked");
      CString text;
      EXPECT_EQ(file.ReadFile(text), 4u);
      EXPECT_EQ(std::u16string(text.Get(), text.GetLength()), u"caf\u00e9");
      EXPECT_EQ(file.GetScriptCode(), opened);
    }
  }
}

TEST_F(CZorbFileTest, ByteOrderMarks) {
  Put("marked", "\xEF\xBB\xBFhello world");
  CZorbFile file(kMacRoman);
  OpenForReading(file, "marked");
  EXPECT_TRUE(file.SetEncodingFromByteOrderMark());
  EXPECT_EQ(file.GetScriptCode(), kUTF8);
  EXPECT_EQ(file.GetPosition(), 0);  // peeking does not move
  CString text;
  EXPECT_EQ(file.ReadFile(text), 11u);
  EXPECT_EQ(std::u16string(text.Get(), text.GetLength()), u"hello world");
  file.Close();

  // Fewer than 10 bytes: no mark is recognised.
  Put("short", "\xEF\xBB\xBFhi");
  CZorbFile small(kMacRoman);
  OpenForReading(small, "short");
  EXPECT_FALSE(small.SetEncodingFromByteOrderMark());
  EXPECT_EQ(small.GetScriptCode(), kMacRoman);
  // ReadPastByteOrderMark works at the start only.
  small.Seek(1, CFile::kFromStart);
  small.ReadPastByteOrderMark();
  EXPECT_EQ(small.GetPosition(), 1);
  small.SeekToBegin();
  small.ReadPastByteOrderMark();
  EXPECT_EQ(small.GetPosition(), 3);
  small.Close();

  Put("unmarked", "plain");
  CZorbFile plain(kUTF8);
  OpenForReading(plain, "unmarked");
  plain.ReadPastByteOrderMark();
  EXPECT_EQ(plain.GetPosition(), 0);
  plain.Close();

  struct Case {
    uint32_t encoding;
    Bytes mark;
  };
  for (const Case& c :
       {Case{kUTF8, "\xEF\xBB\xBF"}, Case{kUTF16, "\xFE\xFF"},
        Case{0x103, Bytes("\0\0\xFE\xFF", 4)}, Case{CZorbUnicodeConverter::kUTF16LE, "\xFF\xFE"},
        Case{CZorbUnicodeConverter::kUTF32LE, Bytes("\xFF\xFE\0\0", 4)}, Case{kShiftJIS, ""}}) {
    EXPECT_EQ(Written(c.encoding,
                      [&](CZorbFile& f) { EXPECT_EQ(f.WriteByteOrderMark(), c.mark.size()); }),
              c.mark);
  }
}

TEST_F(CZorbFileTest, EncodingFromXmlDeclaration) {
  Put("decl.xml", "\xEF\xBB\xBF  <?xml version='1.0' encoding='Shift_JIS'?>\n<a/>");
  CZorbFile file(kUTF8);
  OpenForReading(file, "decl.xml");
  char16_t decl[512];
  const std::u16string expected = u"<?xml version='1.0' encoding='Shift_JIS'?>";
  EXPECT_EQ(CZorbFile::FileGetXMLDecl(file, decl, 512), expected.size());
  EXPECT_EQ(std::u16string(decl), expected);
  EXPECT_TRUE(file.SetEncodingFromXMLDecl());
  EXPECT_EQ(file.GetScriptCode(), kShiftJIS);
  EXPECT_EQ(file.GetPosition(), 0);
  file.Close();

  // A long declaration comes out whole: every byte is read before it is
  // widened.
  const Bytes pad(400, ' ');
  const Bytes longDecl = "<?xml version='1.0'" + pad + "encoding='euc-jp'?>";
  Put("long.xml", longDecl + "<a/>");
  CZorbFile longFile(kUTF8);
  OpenForReading(longFile, "long.xml");
  EXPECT_EQ(CZorbFile::FileGetXMLDecl(longFile, decl, 512), longDecl.size());
  EXPECT_EQ(std::u16string(decl), std::u16string(longDecl.begin(), longDecl.end()));
  EXPECT_TRUE(longFile.SetEncodingFromXMLDecl());
  EXPECT_EQ(longFile.GetScriptCode(), 0x0920u);
  longFile.Close();

  Put("none.xml", "<a/>");
  CZorbFile none(kUTF8);
  OpenForReading(none, "none.xml");
  EXPECT_EQ(CZorbFile::FileGetXMLDecl(none, decl, 512), 0u);
  EXPECT_FALSE(none.SetEncodingFromXMLDecl());
  EXPECT_EQ(none.GetScriptCode(), kUTF8);
}

TEST_F(CZorbFileTest, PeeksLeaveThePositionAlone) {
  Put("peek", "0123456789");
  CZorbFile file(kUTF8);
  OpenForReading(file, "peek");
  file.Seek(4, CFile::kFromStart);
  char buf[16] = {};
  EXPECT_EQ(CZorbFile::FilePeekStartBytes(file, buf, 3), 3u);
  EXPECT_EQ(Bytes(buf, 3), "012");
  EXPECT_EQ(CZorbFile::FilePeekBytes(file, buf, 16), 6u);
  EXPECT_EQ(Bytes(buf, 6), "456789");
  EXPECT_EQ(file.GetPosition(), 4);
  EXPECT_EQ(file.ReadBytes(buf, 2), 2u);
  EXPECT_EQ(Bytes(buf, 2), "45");
}

TEST_F(CZorbFileTest, ReadFileDecodeCarriesCharactersCutByTheBlock) {
  // A two-byte character straddles every 4096-byte block boundary.
  Bytes bytes = Bytes(4095, 'a') + "\xC3\xA9" + Bytes(4093, 'b') + "\xC3\xA9" + "\x80tail";
  Put("blocks", bytes);
  CZorbFile file(kUTF8);
  OpenForReading(file, "blocks");
  std::vector<char16_t> buf(5000);
  std::u16string all;
  bool end = false;
  int blocks = 0;
  while (!end && blocks < 10) {
    const uint32_t n = file.ReadFileDecode(buf.data(), 5000, &end);
    all.append(buf.data(), n);
    ++blocks;
  }
  EXPECT_TRUE(end);
  EXPECT_EQ(blocks, 3);
  EXPECT_EQ(all, std::u16string(4095, u'a') + u"\u00e9" + std::u16string(4093, u'b') + u"\u00e9" +
                     u"tail");
}

TEST_F(CZorbFileTest, ReadFileDecodeKeepsShiftStateAcrossBlocks) {
  std::u16string text;
  for (int i = 0; i < 3000; ++i) text += u"\u65e5";
  Put("jis",
      Written(kISO2022JP, [&](CZorbFile& f) { EXPECT_EQ(f.Write(text.data(), text.size()), 0); }));
  CZorbFile file(kISO2022JP);
  OpenForReading(file, "jis");
  std::vector<char16_t> buf(4097);
  std::u16string all;
  bool end = false;
  while (!end) all.append(buf.data(), file.ReadFileDecode(buf.data(), 4097, &end));
  EXPECT_EQ(all, text);
}

TEST_F(CZorbFileTest, ReadDecodesHalfItsSizeInBytes) {
  Put("read",
      "ab\xC3\xA9"
      "cd");
  CZorbFile file(kUTF8);
  OpenForReading(file, "read");
  char16_t buf[3];
  // 6 bytes of room: blocks of 3 raw bytes; the first ends inside a
  // character, which the second completes.
  EXPECT_EQ(file.Read(buf, sizeof buf), 2u);
  EXPECT_EQ(std::u16string(buf, 2), u"ab");
  EXPECT_EQ(file.Read(buf, sizeof buf), 2u);
  EXPECT_EQ(std::u16string(buf, 2), u"\u00e9c");
  EXPECT_EQ(file.Read(buf, sizeof buf), 1u);
  EXPECT_EQ(buf[0], u'd');
  EXPECT_EQ(file.Read(buf, sizeof buf), 0u);
}

TEST_F(CZorbFileTest, ReadFileOnAClosedFileGivesNothing) {
  CZorbFile file(kUTF8);
  CString text(u"stale");
  EXPECT_EQ(file.ReadFile(text), 0u);
  EXPECT_EQ(text.GetLength(), 0);
  Put("empty", "");
  OpenForReading(file, "empty");
  EXPECT_EQ(file.ReadFile(text), 0u);
  char16_t buf[8];
  EXPECT_FALSE(file.ReadLine(buf, 8));
}

TEST_F(CZorbFileTest, ShiftJisLinesDecoded) {
  Put("sjis", "\x93\xFA\x96\x7B\r\n\x8C\xEA\r\n");
  CZorbFile file(kShiftJIS);
  OpenForReading(file, "sjis");
  CString line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(std::u16string(line.Get(), line.GetLength()), u"\u65e5\u672c");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(std::u16string(line.Get(), line.GetLength()), u"\u8a9e");
  EXPECT_FALSE(file.ReadString(line));
}

}  // namespace

namespace {

TEST_F(CZorbFileTest, ReadFileGivesNoTextWhenTheFileCannotBeReadWhole) {
  // More than the file buffer holds, so that reading it takes a second call.
  const Bytes text(300000, 'x');
  Put("big", text);
  CZorbFile whole(kUTF8);
  OpenForReading(whole, "big");
  CString all;
  EXPECT_EQ(whole.ReadFile(all), text.size());

  // Read without the mapping, so that each read is a call that can fail.
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  faults.addRule({platform::kFsRead, "big", 1, -1, EIO});
  CZorbFile broken(kUTF8);
  ASSERT_TRUE(broken.Open(sandbox.colon("big").c_str(), 0, true));
  CString part(u"stale");
  EXPECT_EQ(broken.ReadFile(part), 0u);
  EXPECT_EQ(part.GetLength(), 0);
}

}  // namespace
