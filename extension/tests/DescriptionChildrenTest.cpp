#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionFiles.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/CZorbExtensionUpdateInfo.h"
#include "extension/tests/ExtensionTestSupport.h"

using exttest::U;

namespace {

struct FileTypeCase {
  std::u16string text;
  int32_t code;
  bool accepted;
};

const std::vector<FileTypeCase> kFileTypes = {
    {u"wbxs", 2, true},      {u"Ordinary", 1, true},    {u"PLUGIN", 4, true},
    {u"plug-in", -1, false}, {u"ordinary ", -1, false}, {u"", -1, false},
};

}  // namespace

TEST(DescriptionChildren, FileTypeSettersMapTheWordsAndExplainRefusals) {
  exttest::StringTable strings;
  for (const FileTypeCase& c : kFileTypes) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    CZorbExtensionFile file;
    CString message;
    EXPECT_EQ(file.SetFileType(CString(c.text.c_str()), message), c.accepted);
    EXPECT_EQ(file.m_fileType, c.code);
    EXPECT_EQ(U(message),
              c.accepted ? u"" : u"invalid file-type|file|" + c.text + u"|wbxs,ordinary,plugin");

    CZorbExtensionFiles files;
    message.Empty();
    EXPECT_EQ(files.SetDefaultType(CString(c.text.c_str()), message), c.accepted);
    EXPECT_EQ(files.m_defaultFileType, c.code);
    EXPECT_TRUE(files.m_defaultTypeGiven);
    EXPECT_EQ(
        U(message),
        c.accepted ? u"" : u"invalid default-file-type|files|" + c.text + u"|wbxs,ordinary,plugin");
  }
}

TEST(DescriptionChildren, UpdateSettersAcceptOnlyDirectLinksToWebAddresses) {
  exttest::StringTable strings;
  struct MethodCase {
    std::u16string text;
    int32_t code;
    std::u16string message;
  };
  for (const MethodCase& c : std::vector<MethodCase>{
           {u"directlink", 1, u""},
           {u"DirectLink", 1, u""},
           {u"webservice", -1, u"invalid method|update|webservice|directlink"},
           {u"", -1, u"invalid method|update||directlink"},
       }) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    CZorbExtensionUpdateInfo update;
    CString message;
    EXPECT_EQ(update.SetUpdateMethod(CString(c.text.c_str()), message), c.code == 1);
    EXPECT_EQ(update.m_method, c.code);
    EXPECT_EQ(U(message), c.message);
  }

  struct UrlCase {
    std::u16string url;
    std::u16string message;  // empty when accepted
  };
  for (const UrlCase& c : std::vector<UrlCase>{
           {u"http://example.com/x", u""},
           {u"HTTPS://a", u""},
           {u"http://", u"not a url url|update"},
           {u"https://", u"not a url url|update"},
           {u"ftp://example.com", u"not a url url|update"},
           {u" http://example.com", u"not a url url|update"},
           {u"", u"empty url"},
       }) {
    SCOPED_TRACE(std::string(c.url.begin(), c.url.end()));
    CZorbExtensionUpdateInfo update;
    CString message;
    EXPECT_EQ(update.SetURL(CString(c.url.c_str()), message), c.message.empty());
    EXPECT_EQ(U(message), c.message);
    // The text is kept, accepted or not.
    EXPECT_EQ(U(update.m_url), c.url);
    EXPECT_TRUE(update.m_urlGiven);
  }
}

TEST(DescriptionChildren, TheWindowsExtensionBelongsToEntriesWithoutPlatform) {
  for (int32_t platform : {0, 1, 2}) {
    CZorbExtensionFile file;
    file.m_winExtension = u"dll";
    file.m_platform = platform;
    EXPECT_EQ(U(file.GetWinExtension()), platform == 0 ? u"dll" : u"") << platform;
  }
}

TEST(DescriptionChildren, ElementsWriteTheirAttributesInOrderAndOnlyWhenSet) {
  CZorbExtensionFile bare;
  CZorbExtensionFile full;
  full.m_source = u"a/b.js";
  full.m_destination = u"$installfolder/x";
  full.m_shared = 1;
  full.m_isResourceFile = true;
  full.m_isEmptyFolder = 1;
  full.m_platform = 1;
  full.m_fileType = 4;
  full.m_systemFile = true;
  full.m_actualPath = u"p";
  full.m_winExtension = u"w";
  full.m_folder = u"f";
  full.m_language = u"de_DE";
  full.m_minVersion = u"9.0.1";
  full.m_maxVersion = u"10";
  full.m_wbxsId = u"id";
  full.m_wbxsVersion = u"1.2";
  CZorbExtensionFile implied;
  implied.m_source = u"s";
  implied.m_destination = u"d";
  implied.m_fileType = 2;
  implied.m_typeImplied = true;
  implied.m_platform = 2;
  CZorbExtensionFile invalid;
  invalid.m_fileType = -1;
  invalid.m_source = u"say \"hi\"";

  CZorbExtensionProduct product;
  product.m_name = u"Loomwright 9";
  product.m_version = u"9";
  product.m_maxVersion = u"9.9";
  product.m_familyName = u"Loomwright";
  product.m_primary = product.m_required = true;
  product.m_platform = 2;
  product.m_bit = 2;
  product.m_minVersionOpen = product.m_maxVersionOpen = true;
  CZorbExtensionProduct plainProduct;
  plainProduct.m_bit = 1;

  CZorbExtensionToken token;
  token.m_name = u"$dir";
  token.m_prompt = u"Where?";
  token.m_definition = u"$installfolder";
  CZorbExtensionSignInfo sign;
  sign.m_name = u"a.yxp";
  sign.m_signed = true;
  sign.m_publisher = u"Maker";
  CZorbExtensionSignInfo unsigned_;

  CZorbExtensionUpdateInfo noUpdate, direct, webService, badMethod;
  direct.m_method = 1;
  direct.m_url = u"http://x/a?b=1&c=2";
  webService.m_method = 2;
  badMethod.m_method = -1;

  struct WrittenCase {
    const char* name;
    const CZorbXmlObject* node;
    int level;
    std::u16string line;
  };
  const std::vector<WrittenCase> cases = {
      {"bare file", &bare, 0, u"<file source=\"\" destination=\"\" />\r"},
      {"full file", &full, 2,
       u"\t\t<file source=\"a/b.js\" destination=\"$installfolder/x\" shared=\"true\" "
       u"isresourcefile=\"true\" isemptyfolder=\"true\" platform=\"mac\" file-type=\"plugin\" "
       u"systemfile=\"true\" actual-path=\"p\" win-extension=\"w\" folder=\"f\" "
       u"xml:lang=\"de_DE\" minVersion=\"9.0.1\" maxVersion=\"10.0.0\" wbxsid=\"id\" "
       u"wbxsversion=\"1.2\" />\r"},
      {"implied type", &implied, 1,
       u"\t<file source=\"s\" destination=\"d\" platform=\"win\" />\r"},
      {"invalid type, quotes", &invalid, 0,
       u"<file source=\"say 'hi'\" destination=\"\" file-type=\"invalid\" />\r"},
      {"full product", &product, 1,
       u"\t<product name=\"Loomwright 9\" version=\"9\" maxversion=\"9.9\" "
       u"familyname=\"Loomwright\" primary=\"true\" required=\"true\" platform=\"win\" "
       u"bit=\"64\" is-min-version-open=\"true\" is-max-version-open=\"true\" />\r"},
      {"plain product", &plainProduct, 0, u"<product name=\"\" bit=\"32\" />\r"},
      {"token", &token, 0,
       u"<token name=\"$dir\" prompt=\"Where?\" definition=\"$installfolder\" />\r"},
      {"signature", &sign, 0,
       u"<signature name=\"a.yxp\" extensiontype=\"\" signed=\"true\" publisher=\"Maker\" />\r"},
      {"unsigned", &unsigned_, 0, u"<signature name=\"\" extensiontype=\"\" />\r"},
      {"no update", &noUpdate, 0, u"<update />\r"},
      {"direct link", &direct, 0, u"<update method=\"directlink\" url=\"http://x/a?b=1&c=2\" />\r"},
      {"web service", &webService, 0, u"<update method=\"webservice\" />\r"},
      {"bad method", &badMethod, 0, u"<update method=\"invalid\" />\r"},
  };
  for (const WrittenCase& c : cases) {
    SCOPED_TRACE(c.name);
    CString out(u"before|");
    c.node->BuildXml(c.level, out);
    EXPECT_EQ(U(out), u"before|" + c.line);
  }
}

TEST(DescriptionChildren, ContainersCopyTheirEntriesDeeply) {
  auto source = std::make_unique<CZorbExtensionFiles>();
  source->m_language = u"fr_FR";
  source->m_defaultFileType = 4;
  source->m_defaultTypeGiven = true;
  for (const char16_t* name : {u"a.js", u"b.js"}) {
    auto* file = new CZorbExtensionFile();
    file->m_source = name;
    source->m_children.push_back(file);
  }

  std::unique_ptr<CZorbExtensionFiles> clone(source->Clone());
  CZorbExtensionFiles assigned;
  assigned.m_children.push_back(new CZorbExtensionFile());
  assigned = *source;
  static_cast<CZorbExtensionFile*>(clone->m_children.front())->m_source = u"changed";
  source.reset();  // the copies must not share an entry with it

  for (const CZorbExtensionFiles* copy : {clone.get(), &assigned}) {
    EXPECT_EQ(U(copy->m_language), u"fr_FR");
    EXPECT_EQ(copy->m_defaultFileType, 4);
    EXPECT_TRUE(copy->m_defaultTypeGiven);
    CString written;
    copy->BuildXml(0, written);
    EXPECT_NE(U(written).find(u"source=\"b.js\""), std::u16string::npos)
        << testing::PrintToString(U(written));
  }
  EXPECT_EQ(U(static_cast<CZorbExtensionFile*>(assigned.m_children.front())->m_source), u"a.js");
  EXPECT_EQ(assigned.m_children.size(), 2u);
}
