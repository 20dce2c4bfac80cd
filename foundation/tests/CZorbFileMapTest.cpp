#include "foundation/CZorbFileMap.h"

#include <gtest/gtest.h>

#include <memory>

#include "foundation/CZorbOS.h"
#include "platform/os/FourCharCode.h"
#include "testsupport/SandboxMachine.h"

using platform::fourCC;
using testsupport::SandboxMachine;

namespace {

const char kMap[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<filemap>\n"
    "  <mapping ext=\"html\" creator=\"QqXm\" type=\"TEXT\"/>\n"
    "  <group>\n"
    "    <MAPPING EXT=\".kxp\" Creator=\"QqXm\" TYPE=\"KXPf\" note=\"ignored\"/>\n"
    "  </group>\n"
    "  <mapping ext=\"HTML\" creator=\"ttxt\" type=\"TEXT\"/>\n"
    "  <mapping ext=\"js\" creator=\"QqXm\" type=\"TEXT\"/>\n"
    "  <mapping ext=\"gif\" type=\"GIF\"/>\n"
    "  <mapping ext=\"long\" creator=\"ABCDEFGH\" type=\"t\"/>\n"
    "  <other ext=\"png\" creator=\"x\" type=\"y\"/>\n"
    "</filemap>\n";

class FileMapTest : public testsupport::SandboxTest {
 protected:
  void SetUp() override {
    sandbox.writeFile("map.xml", kMap);
    ASSERT_EQ(map.Load(sandbox.colon("map.xml").c_str(), nullptr), 0);
  }
  CZorbFileMap map;
};

}  // namespace

TEST(CZorbFileMapEntry, CodesFromText) {
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"TEXT"), fourCC("TEXT"));
  // Short codes lie in the last bytes.
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"GIF"), 0x00474946u);
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"t"), 0x74u);
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u""), 0u);
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(nullptr), 0u);
  // A longer text is cut to its first four characters.
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"ABCDEFGH"), fourCC("ABCD"));
  // Characters beyond ASCII as the Mac writes them; others as "?".
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"\u00e9A\u2122"), 0x8E41AAu);
  EXPECT_EQ(CZorbFileMapEntry::ConvertStringToCode(u"\u4e2d"), 0x3Fu);
}

TEST_F(FileMapTest, ReadsEntriesInFileOrder) {
  ASSERT_EQ(map.m_children.size(), 6u);
  auto* kxp = dynamic_cast<CZorbFileMapEntry*>(*std::next(map.m_children.begin()));
  ASSERT_NE(kxp, nullptr);
  EXPECT_EQ(kxp->GetExtension(), CString(u".kxp"));
  EXPECT_EQ(kxp->GetCreator(), fourCC("QqXm"));
  EXPECT_EQ(kxp->GetType(), fourCC("KXPf"));

  std::unique_ptr<CZorbXmlObject> copy(kxp->Clone());
  auto* clone = dynamic_cast<CZorbFileMapEntry*>(copy.get());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->GetExtension(), kxp->GetExtension());
  EXPECT_EQ(clone->GetType(), kxp->GetType());

  // The map writes nothing.
  CString out(u"x");
  map.BuildXml(0, out);
  EXPECT_EQ(out, CString(u"x"));
}

TEST_F(FileMapTest, Lookups) {
  uint32_t creator = 1, type = 2;
  // Case is ignored; the first of two entries answers.
  ASSERT_TRUE(map.Lookup(u"Html", creator, type));
  EXPECT_EQ(creator, fourCC("QqXm"));
  EXPECT_EQ(type, fourCC("TEXT"));
  // The extension is taken as the file writes it.
  EXPECT_TRUE(map.Lookup(u".KXP", creator, type));
  EXPECT_EQ(type, fourCC("KXPf"));
  creator = type = 7;
  EXPECT_FALSE(map.Lookup(u"kxp", creator, type));
  EXPECT_FALSE(map.Lookup(u"png", creator, type));
  EXPECT_EQ(creator, 7u);
  EXPECT_EQ(type, 7u);
  // A missing attribute leaves 0.
  ASSERT_TRUE(map.Lookup(u"gif", creator, type));
  EXPECT_EQ(creator, 0u);
  EXPECT_EQ(type, 0x00474946u);

  CString ext;
  ASSERT_TRUE(map.Lookup(fourCC("QqXm"), fourCC("TEXT"), ext));
  EXPECT_EQ(ext, CString(u"html"));
  ASSERT_TRUE(map.Lookup(fourCC("ttxt"), fourCC("TEXT"), ext));
  EXPECT_EQ(ext, CString(u"HTML"));
  ASSERT_TRUE(map.Lookup(fourCC("ABCD"), 0x74u, ext));
  EXPECT_EQ(ext, CString(u"long"));
  ext = u"kept";
  EXPECT_FALSE(map.Lookup(fourCC("TEXT"), fourCC("QqXm"), ext));
  EXPECT_EQ(ext, CString(u"kept"));
}

TEST(CZorbFileMap, LoadFailures) {
  SandboxMachine box;
  CZorbFileMap map;
  EXPECT_NE(map.Load(box.colon("missing.xml").c_str(), nullptr), 0);
  box.writeFile("bad.xml", "<filemap><mapping ext=\"a\"></filemap>\n");
  EXPECT_NE(map.Load(box.colon("bad.xml").c_str(), nullptr), 0);
}

TEST(CZorbOSFileMap, LoadedOnFirstUseAndRetriedAfterAFailure) {
  SandboxMachine box;
  CZorbOS::ResetFileMapForTest();
  CString ext;
  uint32_t type = 0, creator = 0;
  EXPECT_FALSE(CZorbOS::LookupExtension(fourCC("TEXT"), fourCC("QqXm"), ext));
  EXPECT_FALSE(CZorbOS::LookupBundleBits(u"Disk:a.html", type, creator));

  box.writeFile("Library/Application Support/Vesko/FileMap.xml", kMap);
  ASSERT_TRUE(CZorbOS::LookupExtension(fourCC("TEXT"), fourCC("QqXm"), ext));
  EXPECT_EQ(ext, CString(u"html"));
  ASSERT_TRUE(CZorbOS::LookupBundleBits(u"Disk:Users:ann:page.HTML", type, creator));
  EXPECT_EQ(type, fourCC("TEXT"));
  EXPECT_EQ(creator, fourCC("QqXm"));
  // The entry written with its point.
  ASSERT_TRUE(CZorbOS::LookupBundleBits(u"Disk:x.kxp", type, creator));
  EXPECT_EQ(type, fourCC("KXPf"));
  EXPECT_FALSE(CZorbOS::LookupBundleBits(u"Disk:no.extension:file", type, creator));
  EXPECT_FALSE(CZorbOS::LookupBundleBits(u"Disk:x.png", type, creator));
  CZorbOS::ResetFileMapForTest();
}
