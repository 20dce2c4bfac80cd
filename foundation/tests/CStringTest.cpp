#include "foundation/CString.h"

#include "foundation/CRect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string text(const CString& s) {
  return s.Get() ? std::u16string(s.Get(), static_cast<size_t>(s.GetLength())) : std::u16string();
}

void expectSound(const CString& s) {
  ASSERT_NE(s.Get(), nullptr);
  EXPECT_LT(static_cast<uint32_t>(s.GetLength()), s.GetCapacity());
  EXPECT_EQ(s.Get()[s.GetLength()], 0);
}

TEST(CString, Construction) {
  CString empty;
  EXPECT_EQ(empty.GetLength(), 0);
  EXPECT_EQ(empty.GetCapacity(), 1u);
  expectSound(empty);

  EXPECT_EQ(text(CString(u"abcdef", 0)), u"abcdef");
  EXPECT_EQ(text(CString(u"abcdef", 3)), u"abc");
  EXPECT_EQ(text(CString(static_cast<const char16_t*>(nullptr))), u"");
  EXPECT_EQ(text(CString(u"ab", 0, u"cd", 1)), u"abc");
  EXPECT_EQ(text(CString(nullptr, 0, u"cd", 0)), u"cd");
  EXPECT_EQ(text(CString(u'x', 3)), u"xxx");
  EXPECT_EQ(text(CString(u'x', 0)), u"");
  const uint16_t units[] = {0x41, 0xE9, 0};
  EXPECT_EQ(text(CString(units)), u"A\u00E9");
  EXPECT_EQ(text(CString(units, 1)), u"A");

  CString copy(CString(u"deep"));
  EXPECT_EQ(text(copy), u"deep");
  CString source(u"one");
  CString other(source);
  source.SetAt(0, u'O');
  EXPECT_EQ(text(other), u"one") << "copies do not share the buffer";
}

TEST(CString, GrowthDoublesTheRequest) {
  CString s(u"abc");
  EXPECT_EQ(s.GetCapacity(), 6u);
  s += u"de";
  EXPECT_EQ(s.GetCapacity(), 6u);
  s += u'f';
  EXPECT_EQ(s.GetCapacity(), 12u) << "length 6 no longer fits below 6";
  EXPECT_EQ(text(s), u"abcdef");
  expectSound(s);
}

TEST(CString, AppendingItselfDoubles) {
  CString s(u"abc");
  s += s;
  EXPECT_EQ(text(s), u"abcabc");
  s.Append(s.Get());
  EXPECT_EQ(text(s), u"abcabcabcabc");
  expectSound(s);
}

TEST(CString, InsertingItsOwnTextInTheMiddle) {
  CString grows(u"abc");  // capacity 6: the insert reallocates
  grows.Insert(grows.Get(), 0, 1);
  EXPECT_EQ(text(grows), u"aabcbc");

  CString roomy(u"abc");
  roomy.GetBuffer(20);  // no reallocation: the tail moves in place
  roomy.Insert(roomy.Get() + 1, 2, 0);
  EXPECT_EQ(text(roomy), u"bcabc");
  roomy.Insert(roomy.Get(), 0, 2);
  EXPECT_EQ(text(roomy), u"bcbcabcabc");
  expectSound(roomy);
}

TEST(CString, InsertReachingTheCapacityKeepsPrefixAndTail) {
  CString s(u"0123456789");  // capacity 20
  s += u"ABCDE";             // 15 units in 20
  ASSERT_EQ(s.GetCapacity(), 20u);
  s.Insert(u"vwxyz", 0, 0);
  EXPECT_EQ(text(s), u"vwxyz0123456789ABCDE");
  s.Insert(u"--", 0, 10);
  EXPECT_EQ(text(s), u"vwxyz01234--56789ABCDE");
  EXPECT_EQ(s.Insert(99, u"!"), 23) << "a position past the end appends";
  EXPECT_EQ(text(s), u"vwxyz01234--56789ABCDE!");
  s.Insert(nullptr, 3, 0);
  s.Insert(u"", 0, 0);
  EXPECT_EQ(s.GetLength(), 23);
  expectSound(s);
}

TEST(CString, AssignmentFromItsOwnText) {
  CString s(u"abcdef");
  s = s.Get();
  EXPECT_EQ(text(s), u"abcdef");
  s = s.Get() + 2;
  EXPECT_EQ(text(s), u"cdef");
  s.Assign(s.Get() + 1, 2, s.Get(), 0);
  EXPECT_EQ(text(s), u"decdef");
  s = s;
  EXPECT_EQ(text(s), u"decdef");
  s = static_cast<const char16_t*>(nullptr);
  EXPECT_EQ(text(s), u"");
  expectSound(s);
  const uint16_t units[] = {0x62, 0};
  s = units;
  EXPECT_EQ(text(s), u"b");
}

TEST(CString, Concatenation) {
  const CString a(u"ab");
  EXPECT_EQ(text(a + u'c'), u"abc");
  EXPECT_EQ(text(a + u"cd"), u"abcd");
  EXPECT_EQ(text(a + a), u"abab");
  EXPECT_EQ(text(a), u"ab");
}

TEST(CString, Delete) {
  struct Case {
    int index, count, returned;
    const char16_t* result;
  } cases[] = {
      {1, 2, 5, u"ade"},   {-3, 1, 5, u"bcde"},  {5, 1, 5, u"abcde"},
      {2, 0, 5, u"abcde"}, {2, -1, 5, u"abcde"}, {3, 10, 5, u"abc"},
  };
  for (const auto& c : cases) {
    CString s(u"abcde");
    EXPECT_EQ(s.Delete(c.index, c.count), c.returned);
    EXPECT_EQ(text(s), c.result) << c.index << "," << c.count;
    expectSound(s);
  }
}

TEST(CString, ReplaceText) {
  struct Case {
    const char16_t* source;
    const char16_t* find;
    const char16_t* with;
    const char16_t* result;
  } cases[] = {
      {u"a.b.c", u".", u"::", u"a::b::c"}, {u"aaaa", u"aa", u"b", u"bb"},
      {u"aaa", u"aa", u"b", u"ba"},       // matches never overlap
      {u"abab", u"a", u"aa", u"aabaab"},  // replaced text is not scanned again
      {u"xyz", u"xyz", u"", u""},          {u"xyz", u"xyz", nullptr, u""},
      {u"xyz", u"", u"q", u"xyz"},         {u"xyz", nullptr, u"q", u"xyz"},
      {u"xyz", u"xyzw", u"q", u"xyz"},     {u"&amp;&lt;", u"&amp;", u"&", u"&&lt;"},
      {u"aaab", u"aab", u"X", u"aX"},  // the first unit again before the match
      {u"abab", u"b", u"X", u"aXaX"},  // a match in the last unit
      {u"ab&a", u"&a", u"X", u"abX"},      {u"a&", u"&a", u"X", u"a&"},
  };
  for (const auto& c : cases) {
    CString s(c.source);
    s.Replace(c.find, c.with);
    EXPECT_EQ(text(s), c.result) << std::string(c.source, c.source + 3);
    expectSound(s);
  }

  CString big(u"ab");
  big.Replace(u"b", u"bbbbbbbbbb");
  EXPECT_EQ(text(big), u"abbbbbbbbbb");
  EXPECT_EQ(big.GetCapacity(), 22u) << "sized exactly for the result, doubled";

  CString self(u"a-b");
  self.Replace(u"-", self.Get());
  EXPECT_EQ(text(self), u"aa-bb");

  CString units(u"a/b/c");
  units.Replace(u'/', u':');
  EXPECT_EQ(text(units), u"a:b:c");
}

TEST(CString, TrimAndLower) {
  CString s(u" \t ab c \r\n");
  s.TrimRight();
  EXPECT_EQ(text(s), u" \t ab c");
  s.TrimLeft();
  EXPECT_EQ(text(s), u"ab c");
  expectSound(s);

  CString blank(u"   ");
  blank.TrimRight();
  EXPECT_EQ(text(blank), u"");
  CString blank2(u"   ");
  blank2.TrimLeft();
  EXPECT_EQ(text(blank2), u"");

  CString nbsp(u"\u00A0x\u00A0");
  nbsp.TrimLeft();
  nbsp.TrimRight();
  EXPECT_EQ(text(nbsp), u"\u00A0x\u00A0") << "white space is ASCII only";

  CString mixed(u"MiXeD \u00C9\u0416");
  mixed.MakeLower();
  EXPECT_EQ(text(mixed), u"mixed \u00E9\u0436");
}

TEST(CString, Searching) {
  const CString s(u"abcabc");
  EXPECT_EQ(s.Find(u'b'), 1);
  EXPECT_EQ(s.Find(u'b', 2), 4);
  EXPECT_EQ(s.Find(u'z'), -1);
  EXPECT_EQ(s.Find(u'a', 7), -1);
  EXPECT_EQ(s.Find(u'a', -1), -1);
  EXPECT_EQ(s.Find(u"ca"), 2);
  EXPECT_EQ(s.Find(u"bc", 2), 4);
  EXPECT_EQ(s.Find(u"abcabcx"), -1);
  EXPECT_EQ(s.Find(static_cast<const char16_t*>(nullptr)), -1);
  EXPECT_EQ(CString(u"aaab").Find(u"aab"), 1) << "the first unit again before the match";
  EXPECT_EQ(s.Find(u"c", 5), 5);
  EXPECT_EQ(s.Find(u"bc", 5), -1) << "the text ends inside the pattern";
  EXPECT_EQ(s.Find(u"", 3), 3);
  EXPECT_EQ(s.Find(u"", 6), 6);
  EXPECT_EQ(s.Find(u"a", 7), -1);
  EXPECT_EQ(s.ReverseFind(u'a'), 3);
  EXPECT_EQ(s.ReverseFind(u'z'), -1);
  EXPECT_EQ(CString(u"abc").FindOneOf(u"cb"), 2) << "set order decides, not position";
  EXPECT_EQ(CString(u"abc").FindOneOf(u"xyz"), -1);
}

TEST(CString, Slicing) {
  const CString s(u"abcdef");
  struct Case {
    CString result;
    const char16_t* expected;
  } cases[] = {
      {s.Left(2), u"ab"},  {s.Left(0), u""},        {s.Left(9), u"abcdef"}, {s.Right(2), u"ef"},
      {s.Right(0), u""},   {s.Right(9), u"abcdef"}, {s.Mid(2, 3), u"cde"},  {s.Mid(2, -1), u"cdef"},
      {s.Mid(2), u"cdef"}, {s.Mid(2, 0), u""},      {s.Mid(4, 10), u"ef"},  {s.Mid(6, 1), u""},
      {s.Mid(9, 1), u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(c.result), c.expected);
    expectSound(c.result);
  }
}

TEST(CString, Comparing) {
  const CString s(u"Beta");
  EXPECT_EQ(s.Compare(u"Beta"), 0);
  EXPECT_LT(s.Compare(u"beta"), 0);
  EXPECT_GT(s.Compare(u"Alpha"), 0);
  EXPECT_GT(s.Compare(nullptr), 0);
  EXPECT_EQ(s.CompareNoCase(u"bETA"), 0);
  EXPECT_EQ(s, u"Beta");
  EXPECT_NE(s, u"Bet");
  EXPECT_NE(s, u"Betas");
  EXPECT_TRUE(s != static_cast<const char16_t*>(nullptr));
  EXPECT_TRUE(CString() != nullptr) << "a string with a buffer never equals null";
  EXPECT_EQ(s, CString(u"Beta"));
  EXPECT_TRUE(CString(u"x") == u'x');
  EXPECT_TRUE(CString(u"xx") != u'x');
  EXPECT_TRUE(CString(u"a") < CString(u"b"));
  EXPECT_TRUE(CString(u"b") > CString(u"a"));
  EXPECT_TRUE(CString(u"10") < CString(u"9"));

  const uint16_t beta[] = {0x42, 0x65, 0x74, 0x61, 0};
  EXPECT_TRUE(s == beta);
  EXPECT_TRUE(CString() == static_cast<const uint16_t*>(nullptr))
      << "16-bit null equals an empty string";
  EXPECT_FALSE(s == static_cast<const uint16_t*>(nullptr));
}

TEST(CString, Hash) {
  EXPECT_EQ(CString().Hash(), 0u);
  EXPECT_EQ(CString(u"ab").Hash(), 97u * 5 + 98);
  uint32_t h = 0;
  const CString longText(u'z', 40);
  for (int i = 0; i < 40; ++i) h = h * 5 + u'z';
  EXPECT_EQ(longText.Hash(), h) << "wraps in 32 bits";
}

TEST(CString, AbsentBuffer) {
  CString s(u"abc");
  s.Deallocate();
  EXPECT_EQ(s.Get(), nullptr);
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.GetCapacity(), 0u);
  EXPECT_EQ(s.Find(u'a'), -1);
  EXPECT_EQ(s.ReverseFind(u'a'), -1);
  EXPECT_EQ(s.Compare(u""), 0);
  EXPECT_TRUE(s == nullptr);
  EXPECT_TRUE(s < CString(u"a"));
  EXPECT_FALSE(s < CString());
  EXPECT_EQ(text(s.Left(1)), u"");
  s.Replace(u"a", u"b");
  s.TrimLeft();
  s.MakeLower();
  EXPECT_EQ(s.Get(), nullptr);
  s += u"back";
  EXPECT_EQ(text(s), u"back");
  expectSound(s);

  s.initBuff();
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.GetCapacity(), 1u);
}

// Empty strings share one buffer until they get text: every way of
// writing must take a buffer of its own and leave the other empties empty.
TEST(CString, EmptyStringsStayEmpty) {
  const CString other;
  CString a;
  a.GetBuffer(0)[0] = u'x';
  a.ReleaseBuffer(1);
  EXPECT_EQ(text(a), u"x");
  CString b;
  b.ReleaseBuffer(3);
  EXPECT_EQ(b.GetLength(), 3);
  expectSound(b);
  CString c;
  c.Empty();
  c.SetStringLength(5);
  c.ReleaseBuffer();
  c = u"";
  EXPECT_EQ(c.GetLength(), 0);
  expectSound(c);
  c.Allocate(0, 0);
  c.Get();
  CString d;
  EXPECT_EQ(d.ForceAllocate(4), nullptr) << "no buffer of its own to hand back";
  d += u"yz";
  CString e(d);
  e.Empty();
  e.initBuff();
  e.Deallocate();
  for (const CString* s :
       {&other, static_cast<const CString*>(&c), static_cast<const CString*>(&e)})
    EXPECT_EQ(s->GetLength(), 0);
  EXPECT_EQ(text(other), u"");
  EXPECT_EQ(other.Get()[0], 0);
  EXPECT_EQ(CString().Get()[0], 0);
  EXPECT_EQ(text(d), u"yz");
}

TEST(CString, BufferAccess) {
  CString s(u"ab");
  char16_t* p = s.GetBuffer(10);
  EXPECT_EQ(std::u16string(p), u"ab") << "the text is kept";
  EXPECT_GT(s.GetCapacity(), 10u);
  p[2] = u'c';
  p[3] = 0;
  s.ReleaseBuffer();
  EXPECT_EQ(text(s), u"abc");
  s.GetBuffer(10)[3] = u'd';
  s.ReleaseBuffer(4);
  EXPECT_EQ(text(s), u"abcd");

  s.ReleaseBuffer(100);  // beyond the buffer: grows, keeps, fills with 0
  EXPECT_EQ(s.GetLength(), 100);
  EXPECT_EQ(std::u16string(s.Get()), u"abcd");
  expectSound(s);

  s.SetStringLength(2);
  EXPECT_EQ(text(s), u"ab");
  s.SetStringLength(100000);
  expectSound(s);

  CString t(u"abc");  // capacity 6
  EXPECT_EQ(t.Allocate(5), nullptr);
  auto old = t.Allocate(6);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(std::u16string(old.get()), u"abc");
  EXPECT_EQ(t.GetCapacity(), 12u);
  EXPECT_EQ(text(t), u"abc");
  EXPECT_NE(t.ForceAllocate(1), nullptr);
  EXPECT_EQ(t.GetCapacity(), 2u);
  EXPECT_EQ(text(t), u"a") << "kept as far as it fits";

  CString keep(u"xyz");
  keep.Allocate(50, CString::kAllocateKeepText);
  EXPECT_EQ(text(keep), u"xyz");
  EXPECT_EQ(keep.GetCapacity(), 100u);

  CString access(u"xy");
  EXPECT_EQ(access.GetAt(1), u'y');
  EXPECT_EQ(access.GetAt(2), 0);
  EXPECT_EQ(access.GetAt(7), 0);
  access.SetAt(7, u'q');
  access.SetAt(0, u'X');
  EXPECT_EQ(text(access), u"Xy");
  access.Empty();
  EXPECT_EQ(access.GetLength(), 0);
  EXPECT_EQ(access.GetCapacity(), 4u) << "Empty keeps the buffer";
}

TEST(CString, Format) {
  const CString name(u"Menus.xml");
  struct Case {
    CString result;
    const char16_t* expected;
  };
  CString a, b, c, d, e, f, g;
  a.Format(u"%d.%d.%d", 8, 0, 2);
  b.Format(u"%d,%d,%d,%d", 0, -10, 640, 480);
  c.Format(u"%08x.TMP", 0x1A2Bu);
  d.Format(u"%s in %ls", name, u"Configuration");
  e.Format(u"100%%");
  f.Format(u"[%-12ls]", u"pad");
  g.Format(u"%E", 12.5);
  const Case cases[] = {
      {a, u"8.0.2"},        {b, u"0,-10,640,480"},
      {c, u"00001a2b.TMP"}, {d, u"Menus.xml in Configuration"},
      {e, u"100%"},         {f, u"[pad         ]"},
      {g, u"1.250000E+01"},
  };
  for (const auto& cs : cases) {
    EXPECT_EQ(text(cs.result), cs.expected);
    expectSound(cs.result);
  }

  CString runtime;
  const CString loaded(u"Cannot update \"%s\".");
  runtime.Format(platform::RuntimeFormat(loaded), name);
  EXPECT_EQ(text(runtime), u"Cannot update \"Menus.xml\".");
}

TEST(CString, FormatSizesItsBufferFromTheEstimate) {
  // The capacity is twice the estimate.
  const char16_t* null = nullptr;
  CString s;
  s.Format(u"%s", null);
  EXPECT_EQ(s.GetCapacity(), 2u * (1 + 6)) << "a null text counts 6";
  EXPECT_EQ(text(s), u"(null)");

  CString f;
  f.Format(u"%.2f", 1.0);
  EXPECT_EQ(f.GetCapacity(), 2u * (1 + 312 + 2));
  EXPECT_EQ(text(f), u"1.00");

  CString pct;
  pct.Format(u"a%%b");
  EXPECT_EQ(pct.GetCapacity(), 2u * (1 + 3));
  EXPECT_EQ(text(pct), u"a%b");

  CString mix;
  mix.Format(u"%d:%5s:%.1s", 1, u"ab", u"xyz");
  EXPECT_EQ(mix.GetCapacity(), 2u * (1 + 32 + 1 + 5 + 1 + 1));
  EXPECT_EQ(text(mix), u"1:   ab:x");

  CString hash;
  hash.Format(u"%#x %c %e", 255u, u'z', 2.0);
  EXPECT_EQ(hash.GetCapacity(), 2u * (1 + 2 + 32 + 1 + 2 + 1 + 128));
  EXPECT_EQ(text(hash), u"0xff z 2.000000e+00");
}

TEST(CString, FormatNeverCutsTheResult) {
  // A long text argument is counted by its own length.
  const CString longText(u'x', 5000);
  CString s;
  s.Format(u"<%s>", longText);
  EXPECT_EQ(s.GetLength(), 5002);
  // Formatting a string with its own text as an argument.
  CString self(u"abc");
  self.Format(u"<%s|%s>", self, self.Get() + 1);
  EXPECT_EQ(text(self), u"<abc|bc>");
  // A runtime format whose argument is of another kind writes nothing for it.
  CString r(u"old text");
  r.Format(platform::RuntimeFormat(u"%s|%d"), 5, u"x");
  EXPECT_EQ(text(r), u"|");
}

TEST(CRect, SetRect) {
  CRect r;
  EXPECT_EQ(r.left + r.top + r.right + r.bottom, 0);
  r.SetRect(-1, 2, 30, 40);
  EXPECT_EQ(r.left, -1);
  EXPECT_EQ(r.top, 2);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 40);
}

}  // namespace
