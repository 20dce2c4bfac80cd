#include "foundation/CZorbPath.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/os/Utf.h"

namespace {

std::string u8(const char16_t* s) {
  return platform::utf16ToUtf8(s ? s : u"").value_or("<bad>");
}
std::string u8(const CString& s) {
  return u8(s.Get());
}

struct Case {
  const char* op;
  const char16_t* path;
  const char16_t* arg;
  const char16_t* expected;
};

CString run(const Case& c) {
  CZorbPath p(c.path);
  std::string op = c.op;
  if (op == "GetFileName") return p.GetFileName();
  if (op == "GetExtension") return p.GetExtension();
  if (op == "GetFolder") return p.GetFolder();
  if (op == "Append")
    p.Append(c.arg);
  else if (op == "SetFolder")
    p.SetFolder(c.arg);
  else if (op == "SetExtension")
    p.SetExtension(c.arg);
  else if (op == "SetFileName")
    p.SetFileName(c.arg);
  else if (op == "TerminateWithSeparator")
    p.TerminateWithSeparator();
  else if (op == "LocalizePathSeparators")
    p.LocalizePathSeparators();
  else
    ADD_FAILURE() << "unknown op " << op;
  return p;
}

}  // namespace

TEST(CZorbPath, Operations) {
  const Case cases[] = {
      {"GetFileName", u"Disk:a:file.txt", nullptr, u"file.txt"},
      {"GetFileName", u"file.txt", nullptr, u"file.txt"},
      {"GetFileName", u"Disk:a:", nullptr, u""},
      {"GetExtension", u"Disk:a:file.txt", nullptr, u"txt"},
      {"GetExtension", u"Disk:my.folder:file", nullptr, u""},
      {"GetExtension", u"Disk:a:file.", nullptr, u""},
      {"GetExtension", u".hidden", nullptr, u"hidden"},
      {"GetExtension", u"a.tar.gz", nullptr, u"gz"},
      {"GetFolder", u"Disk:a:file.txt", nullptr, u"Disk:a:"},
      {"GetFolder", u"file.txt", nullptr, u"file.txt"},
      {"Append", u"Disk:a:", u":b", u"Disk:a:b"},
      {"Append", u"Disk:a", u":b", u"Disk:a:b"},
      {"Append", u"Disk:a", u"b", u"Disk:a:b"},
      {"Append", u"Disk:a:", u"b", u"Disk:a:b"},
      {"Append", u"", u"b", u"b"},
      {"Append", u"Disk:a", nullptr, u"Disk:a"},
      {"Append", u"Disk:a", u"", u"Disk:a:"},
      {"SetFolder", u"Disk:old:f.txt", u"Disk:new", u"Disk:new:f.txt"},
      {"SetFolder", u"f.txt", u"Disk:new:", u"Disk:new:f.txt"},
      {"SetExtension", u"Disk:f.txt", u"", u"Disk:f"},
      {"SetExtension", u"Disk:f.txt", nullptr, u"Disk:f"},
      {"SetExtension", u"Disk:f", u"kxi", u"Disk:f.kxi"},
      {"SetExtension", u"Disk:a.b:f", u"kxi", u"Disk:a.b:f.kxi"},
      {"SetExtension", u"Disk:f.txt", u"kxp", u"Disk:f.kxp"},
      {"SetFileName", u"Disk:old.txt", u"new", u"Disk:new.txt"},
      {"SetFileName", u"Disk:old.txt", u"new.kxi", u"Disk:new.kxi"},
      {"SetFileName", u"file.txt", u"x", u"x.txt"},
      {"SetFileName", u"Disk:a:old", u"new", u"Disk:a:new"},
      {"SetFileName", u"Disk:a:old.txt", u"", u"Disk:a:"},
      {"TerminateWithSeparator", u"Disk:a", nullptr, u"Disk:a:"},
      {"TerminateWithSeparator", u"Disk:a:", nullptr, u"Disk:a:"},
      {"TerminateWithSeparator", u"", nullptr, u":"},
      {"LocalizePathSeparators", u"a/b\\c\u00A5d", nullptr, u"a:b:c:d"},
  };
  for (const auto& c : cases) {
    CString got = run(c);
    EXPECT_EQ(u8(got), u8(c.expected)) << c.op << "(" << u8(c.path) << ", " << u8(c.arg) << ")";
  }
}

TEST(CZorbPath, AppendOfItsOwnText) {
  CZorbPath p(u"Disk:a");
  p.Append(p.Get() + 5);
  EXPECT_EQ(u8(p), "Disk:a:a");
}

TEST(CZorbPath, SplitPath) {
  struct SplitCase {
    const char16_t* path;
    const char16_t *drive, *dir, *fname, *ext;
  } cases[] = {
      {u"Disk:Users:me:file.txt", u"Disk", u":Users:me:", u"file", u".txt"},
      {u"Disk:file", u"Disk", u"", u"file", u""},
      {u"file.txt", u"", u"", u"file", u".txt"},
      {u"Disk:a:", u"Disk", u":a:", u"", u""},
      {u":file", u"", u"", u"file", u""},
      {u"Disk:a.b:c", u"Disk", u":a.b:", u"c", u""},
      {u"Disk:a:file.", u"Disk", u":a:", u"file", u"."},
      {u"", u"", u"", u"", u""},
  };
  for (const auto& c : cases) {
    char16_t drive[kZorbMaxPath + 1] = u"x", dir[kZorbMaxPath + 1] = u"x",
                                  fname[kZorbMaxPath + 1] = u"x", ext[kZorbMaxPath + 1] = u"x";
    _splitpath(c.path, drive, dir, fname, ext);
    EXPECT_EQ(u8(drive), u8(c.drive)) << u8(c.path);
    EXPECT_EQ(u8(dir), u8(c.dir)) << u8(c.path);
    EXPECT_EQ(u8(fname), u8(c.fname)) << u8(c.path);
    EXPECT_EQ(u8(ext), u8(c.ext)) << u8(c.path);

    CString d(u"x"), f(u"x"), n(u"x"), e(u"x");
    CZorbPath(c.path).Split(d, f, n, e);
    EXPECT_EQ(u8(d), u8(c.drive));
    EXPECT_EQ(u8(f), u8(c.dir));
    EXPECT_EQ(u8(n), u8(c.fname));
    // Split drops the extension's "."
    EXPECT_EQ(u8(e), u8(c.ext[0] ? c.ext + 1 : c.ext)) << u8(c.path);
  }

  char16_t out[4] = u"xyz";
  _splitpath(nullptr, out, nullptr, nullptr, nullptr);
  EXPECT_EQ(out[0], 0);
  _splitpath(u"Disk:a:b.c", nullptr, nullptr, nullptr, nullptr);  // all outputs optional
}

TEST(CZorbPath, SplitPathCutsOverlongPartsToTheBuffer) {
  std::u16string longName(3000, u'n');
  std::u16string path = u"Disk:" + longName + u"." + longName;
  std::vector<char16_t> fname(kZorbMaxPath + 1 + 16, u'#'), ext(kZorbMaxPath + 1 + 16, u'#');
  _splitpath(path.c_str(), nullptr, nullptr, fname.data(), ext.data());
  EXPECT_EQ(std::u16string(fname.data()).size(), static_cast<size_t>(kZorbMaxPath));
  EXPECT_EQ(fname[kZorbMaxPath + 1], u'#');  // nothing written past the buffer
  EXPECT_EQ(ext[0], u'.');
  EXPECT_EQ(std::u16string(ext.data()).size(), static_cast<size_t>(kZorbMaxPath));
}
