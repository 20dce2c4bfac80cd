#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlFile.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileRef.h"
#include "platform/os/TextEncodings.h"
#include "testsupport/TempDir.h"
#include "testsupport/TreeFile.h"

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

class XmlFileTest : public ::testing::Test {
 protected:
  std::u16string Colon(const std::string& posix) { return platform::posixToColon(posix).value(); }

  // Names in the folder other than the given ones (left-over temporaries).
  std::vector<std::string> Others(const std::string& keep) {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      if (entry.path().filename() != keep) out.push_back(entry.path().filename().string());
    return out;
  }

  static bool Locked(const std::string& posix) {
    return (std::filesystem::status(posix).permissions() & std::filesystem::perms::owner_write) ==
           std::filesystem::perms::none;
  }

  // A document root with one child and text that needs every encoding rule.
  static TreeFile Sample(uint32_t encoding) {
    TreeFile file;
    file.m_encoding = encoding;
    auto* root = new CZorbXmlObject(u"r");
    root->SetAttribute(u"a", u"\u00e9");
    root->m_children.push_back(new CZorbXmlObject(u"c"));
    file.m_children.push_back(root);
    return file;
  }

  TempDir dir;
};

}  // namespace

TEST_F(XmlFileTest, SaveWritesTheMarkAndTheTextInTheEncoding) {
  struct Case {
    const char* name;
    uint32_t encoding;
    std::string bytes;
  } cases[] = {
      {"UTF-8", CZorbUnicodeConverter::kUTF8, "\xEF\xBB\xBF<r a=\"\xC3\xA9\">\r\t<c />\r</r>\r"},
      {"Mac Roman", platform::encoding::kMacRoman, "<r a=\"\x8E\">\r\t<c />\r</r>\r"},
      {"UTF-16", CZorbUnicodeConverter::kUTF16,
       BYTES(
           "\xFE\xFF\0<\0r\0 \0a\0=\0\"\0\xE9\0\"\0>\0\r\0\t\0<\0c\0 \0/\0>\0\r\0<\0/\0r\0>\0\r")},
  };
  for (const Case& c : cases) {
    TreeFile file = Sample(c.encoding);
    const std::string posix = dir / "out.xml";
    ASSERT_EQ(file.Save(Colon(posix).c_str()), 0) << c.name;
    EXPECT_EQ(TempDir::read(posix), c.bytes) << c.name;
  }
}

TEST_F(XmlFileTest, CharactersTheEncodingLacksDoNotCutTheText) {
  TreeFile file = Sample(platform::encoding::kMacRoman);
  file.m_children.front()->SetAttribute(u"a", u"x\u65e5y");
  const std::string posix = dir / "sub.xml";
  ASSERT_EQ(file.Save(Colon(posix).c_str()), 0);
  EXPECT_EQ(TempDir::read(posix), "<r a=\"x?y\">\r\t<c />\r</r>\r");

  // An encoding nothing can write fails the save and leaves the file.
  TempDir::write(posix, "kept");
  file.m_encoding = 0x7FFF;
  EXPECT_EQ(file.Save(Colon(posix).c_str()), -1);
  EXPECT_EQ(TempDir::read(posix), "kept");
}

TEST_F(XmlFileTest, LoadAndSaveRoundTrip) {
  TreeFile file;
  const std::string source = std::string(PLEXAR_TESTDATA_DIR) + "/xml/menus.xml";
  ASSERT_EQ(file.Load(Colon(source).c_str(), nullptr), 0);
  EXPECT_EQ(file.m_xmlDecl, u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(file.m_encoding, CZorbUnicodeConverter::kUTF8);

  const std::string out = dir / "menus.xml";
  ASSERT_EQ(file.Save(Colon(out).c_str()), 0);
  EXPECT_EQ(TempDir::read(out),
            TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/xml/menus.expected.xml"));

  // What was written reads back into the same tree.
  TreeFile again;
  ASSERT_EQ(again.Load(Colon(out).c_str(), nullptr), 0);
  CString first, second;
  file.BuildXml(0, first);
  again.BuildXml(0, second);
  EXPECT_EQ(first, second);
}

TEST_F(XmlFileTest, SaveReplacesALockedFileAndKeepsItWritable) {
  const std::string posix = dir / "locked.xml";
  TempDir::write(posix, "old");
  std::filesystem::permissions(
      posix, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  ASSERT_TRUE(Locked(posix));

  TreeFile file = Sample(platform::encoding::kMacRoman);
  ASSERT_EQ(file.Save(Colon(posix).c_str()), 0);
  EXPECT_EQ(TempDir::read(posix), "<r a=\"\x8E\">\r\t<c />\r</r>\r");
  EXPECT_FALSE(Locked(posix));
  EXPECT_EQ(Others("locked.xml"), std::vector<std::string>{});
}

TEST_F(XmlFileTest, InjectedFailureLeavesTheOriginal) {
  const std::string posix = dir / "host.xml";
  for (uint32_t op :
       {platform::kFsOpenWrite, platform::kFsWrite, platform::kFsSync, platform::kFsRename}) {
    for (bool locked : {false, true}) {
      TempDir::write(posix, "original bytes");
      std::filesystem::permissions(
          posix, locked ? std::filesystem::perms::owner_read
                        : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
      platform::FaultInjectingFileSystem fs;
      platform::FileSystemOverride use(fs);
      fs.failNth(1, ENOSPC, op);

      TreeFile file = Sample(CZorbUnicodeConverter::kUTF8);
      EXPECT_EQ(file.Save(Colon(posix).c_str()), -1) << op;
      EXPECT_EQ(fs.injectedFailures(), 1) << op;
      EXPECT_EQ(TempDir::read(posix), "original bytes") << op;
      EXPECT_EQ(Locked(posix), locked) << op;
      EXPECT_EQ(Others("host.xml"), std::vector<std::string>{}) << op;
      std::filesystem::permissions(posix, std::filesystem::perms::owner_all);
    }
  }
}

TEST_F(XmlFileTest, NewFilesAreTextFiles) {
  const std::string posix = dir / "new.xml";
  TreeFile file = Sample(CZorbUnicodeConverter::kUTF8);
  ASSERT_EQ(file.Save(Colon(posix).c_str()), 0);
  uint8_t info[platform::kFinderInfoSize];
  ASSERT_EQ(platform::readFinderInfo(posix, info), 0);
  EXPECT_EQ(platform::finderInfoType(info), 0x54455854u);     // 'TEXT'
  EXPECT_EQ(platform::finderInfoCreator(info), 0x74747874u);  // 'ttxt'

  // An existing file keeps its own type and creator.
  platform::setFinderInfoType(info, 0x584D4C20);  // 'XML '
  ASSERT_EQ(platform::writeFinderInfo(posix, info), 0);
  ASSERT_EQ(file.Save(Colon(posix).c_str()), 0);
  ASSERT_EQ(platform::readFinderInfo(posix, info), 0);
  EXPECT_EQ(platform::finderInfoType(info), 0x584D4C20u);
}

TEST_F(XmlFileTest, SaveRefusesWhatItCannotWrite) {
  TreeFile file = Sample(CZorbUnicodeConverter::kUTF8);
  EXPECT_EQ(file.Save(nullptr), -1);
  EXPECT_EQ(file.Save(Colon(dir / "no folder/x.xml").c_str()), -1);
  EXPECT_EQ(file.Save(u"NoSuchVolume:x.xml"), -1);
  std::filesystem::create_directory(dir / "sub");
  EXPECT_EQ(file.Save(Colon(dir / "sub").c_str()), -1);  // a folder
  EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));
}

TEST_F(XmlFileTest, SaveMatchesNamesAsTheFileLayerDoes) {
  std::filesystem::create_directory(dir / "Config");
  TempDir::write(dir / "Config/Menus.xml", "old");
  TreeFile file = Sample(platform::encoding::kMacRoman);
  ASSERT_EQ(file.Save(Colon(dir / "config/MENUS.XML").c_str()), 0);
  EXPECT_EQ(TempDir::read(dir / "Config/Menus.xml"), "<r a=\"\x8E\">\r\t<c />\r</r>\r");
  EXPECT_FALSE(TempDir::exists(dir / "config"));
}

TEST_F(XmlFileTest, NodesSaveInAnEncodingOfTheCaller) {
  CZorbXmlObject node(u"n");
  node.m_text = u"\u00e9";
  const std::string posix = dir / "n.xml";
  ASSERT_EQ(node.Save(Colon(posix).c_str(), CZorbUnicodeConverter::kUTF8), 0);
  EXPECT_EQ(TempDir::read(posix), "\xEF\xBB\xBF<n>\xC3\xA9</n>\r");
  EXPECT_EQ(node.Save(nullptr, CZorbUnicodeConverter::kUTF8), -1);
}

TEST_F(XmlFileTest, CopiesKeepTheDeclarationAndEncoding) {
  TreeFile file = Sample(platform::encoding::kMacRoman);
  file.m_xmlDecl = u"<?xml version=\"1.0\"?>";
  TreeFile copy(file);
  EXPECT_EQ(copy.m_xmlDecl, u"<?xml version=\"1.0\"?>");
  EXPECT_EQ(copy.m_encoding, platform::encoding::kMacRoman);
  ASSERT_EQ(copy.m_children.size(), 1u);
  EXPECT_NE(copy.m_children.front(), file.m_children.front());

  // Cloned through the node's slot, a document becomes a plain node.
  CZorbXmlObject* clone = file.Clone();
  EXPECT_EQ(dynamic_cast<CZorbXmlFile*>(clone), nullptr);
  delete clone;
}

namespace {

// Nests depth elements below parent.
void Nest(CZorbXmlObject& parent, int depth) {
  CZorbXmlObject* at = &parent;
  for (int i = 0; i < depth; ++i) {
    auto* child = new CZorbXmlObject(u"e");
    at->m_children.push_back(child);
    at = child;
  }
}

}  // namespace

// A tree nested deeper than a document may be is never written: its text
// would grow with the square of its depth, and the readers would refuse it.
// Save then gives -1, leaves the file as it was and throws nothing.
TEST_F(XmlFileTest, TreesDeeperThanTheLimitAreNeverSaved) {
  const std::string posix = dir / "deep.xml";
  for (int depth : {CZorbXmlObject::kMaxDepth + 1, 50000}) {
    SCOPED_TRACE(depth);
    TempDir::write(posix, "original");
    TreeFile file;
    file.m_encoding = CZorbUnicodeConverter::kUTF8;
    Nest(file, depth);
    EXPECT_EQ(file.Save(Colon(posix).c_str()), -1);
    EXPECT_EQ(TempDir::read(posix), "original");
    EXPECT_EQ(file.m_children.front()->Save(Colon(posix).c_str(), CZorbUnicodeConverter::kUTF8),
              -1);
    EXPECT_EQ(TempDir::read(posix), "original");
    EXPECT_EQ(Others("deep.xml"), std::vector<std::string>{});
  }

  // At the limit it is written, and reads back.
  TreeFile file;
  file.m_encoding = CZorbUnicodeConverter::kUTF8;
  Nest(file, CZorbXmlObject::kMaxDepth);
  ASSERT_EQ(file.Save(Colon(posix).c_str()), 0);
  TreeFile again;
  ASSERT_EQ(again.Load(Colon(posix).c_str(), nullptr), 0);
  EXPECT_TRUE(again.IsNestedDeeperThan(CZorbXmlObject::kMaxDepth - 1));
  EXPECT_FALSE(again.IsNestedDeeperThan(CZorbXmlObject::kMaxDepth));
  CZorbXmlObject node(u"n");
  Nest(node, CZorbXmlObject::kMaxDepth - 1);
  EXPECT_EQ(node.Save(Colon(posix).c_str(), CZorbUnicodeConverter::kUTF8), 0);
}
