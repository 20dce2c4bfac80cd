#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "pkg/BasePackage.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"
#include "pkg/PkgXMLParser.h"
#include "pkg/tests/PackageTestSupport.h"

using namespace pkgtest;
using pkg::kGenPropDateTime;
using pkg::kGenPropMacCreator;
using pkg::kGenPropMacType;

namespace {

const char kPropertiesEntry[] = "META-INF/pkgproperties.xml";

class Properties : public PackageTest {
 protected:
  std::shared_ptr<pkg::IPackage> open(const std::string& name, std::ios_base::openmode mode,
                                      bool withParser = true) {
    return factory().openPackage(path(name), mode, nullptr, nullptr,
                                 withParser ? &m_parser : nullptr);
  }
  // A package holding a.txt and the given properties file, written by a
  // package without a parser (so the text goes in as it is).
  void makeWithPropertiesFile(const std::string& xml) {
    auto package = open("p.zip", kOut | kTrunc, false);
    package->beginUpdate();
    put(*package, "a.txt", "a");
    put(*package, kPropertiesEntry, xml);
    package->endUpdate();
    package->close();
  }
  std::string propertiesFileOf(const std::string& name) {
    auto package = open(name, kIn, false);
    if (package->entryExists(kPropertiesEntry) != pkg::kEntryFile) return "(none)";
    return readAll(*package->getFile(kPropertiesEntry, true));
  }
  static pkg::PkgPropertyMgr& managerOf(const std::shared_ptr<pkg::IPackage>& package) {
    return *dynamic_cast<pkg::BasePackage&>(*package).getPropertyMgr();
  }

  pkg::PkgXMLParser m_parser;
};

// Records the events it gets; can throw from one of them.
class RecordingHandler : public pkg::IXMLParser_EventHandler {
 public:
  int startElement(const std::string& name, const std::map<std::string, std::string>&) override {
    if (name == throwAt) throw std::runtime_error("thrown in a callback");
    events.push_back("<" + name);
    return name == stopAt ? -1 : 0;
  }
  int endElement(const std::string& name) override {
    events.push_back(">" + name);
    return 0;
  }
  int characterData(const char* text, int length) override {
    chunks.emplace_back(text, static_cast<size_t>(length));
    return 0;
  }
  int processingInstruction(const std::string&, const char*, int) override { return 0; }
  int comment(const char*, int) override { return 0; }

  std::string throwAt;
  std::string stopAt;
  std::vector<std::string> events;
  std::vector<std::string> chunks;
};

}  // namespace

TEST_F(Properties, EscapedCharactersRoundTrip) {
  const std::string name = "dir/a&b <\"c\">.txt";
  const std::map<pkg::UCFPropertyName, std::string> values = {
      {kGenPropDateTime, "2024-1-2 & <now> \"quoted\" 'single'\ttab\r\nnext line"},
      {kGenPropMacType, "T&<>"},
      {kGenPropMacCreator, std::string(5000, 'x') + "&amp;" + "\xC3\xA9\xE2\x82\xAC"},
  };
  {
    auto package = open("p.zip", kOut | kTrunc);
    package->beginUpdate();
    auto file = package->getFile(name, false);
    writeAll(*file, "data");
    for (const auto& [property, text] : values) file->setProperty(property, text);
    package->endUpdate();
    package->close();
  }
  EXPECT_TRUE(unzipAccepts(path("p.zip")));
  auto package = open("p.zip", kIn);
  auto file = package->getFile(name, true);
  for (const auto& [property, text] : values)
    EXPECT_EQ(file->getProperty(property), text) << property;
  EXPECT_TRUE(managerOf(package).isLoaded());
}

TEST_F(Properties, FileHoldsExactlyTheLiveProperties) {
  {
    auto package = open("p.zip", kOut | kTrunc);
    package->beginUpdate();
    put(*package, "a.txt", "a");
    put(*package, "b.txt", "b");
    package->getFile("b.txt", true)->setProperty(kGenPropMacType, "TEXT");
    package->getFile("a.txt", true)->setProperty(kGenPropMacCreator, "ttxt");
    package->getFile("a.txt", true)->setProperty(kGenPropDateTime, "2010-3-10-1-2-4");
    package->endUpdate();
    package->close();
  }
  EXPECT_EQ(propertiesFileOf("p.zip"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<pkgProperties xmlns=\"urn:plexar:package-properties:1.0\">\n"
            "<package/>\n"
            "<entries>\n"
            "<entry path=\"a.txt\">\n"
            "<prop key=\"datetime\">2010-3-10-1-2-4</prop>\n"
            "<prop key=\"mac_creator\">ttxt</prop>\n"
            "</entry>\n"
            "<entry path=\"b.txt\">\n"
            "<prop key=\"mac_type\">TEXT</prop>\n"
            "</entry>\n"
            "</entries>\n"
            "</pkgProperties>\n");

  // An update that never asks for a property keeps those of the file.
  {
    auto package = open("p.zip", kIn | kOut);
    package->beginUpdate();
    put(*package, "c.txt", "c");
    package->endUpdate();
    package->close();
  }
  EXPECT_EQ(open("p.zip", kIn)->getFile("a.txt", true)->getProperty(kGenPropDateTime),
            "2010-3-10-1-2-4");

  // A removed entry takes its properties along; with none left the file goes,
  // unless the archive has a comment.
  {
    auto package = open("p.zip", kIn | kOut);
    package->beginUpdate();
    package->getFile("a.txt", true)->remove();
    package->getFile("b.txt", true)->setProperty(kGenPropMacType, "");
    package->setProperty(pkg::kZipPropArchiveComment, "a comment");
    package->endUpdate();
    package->close();
  }
  EXPECT_EQ(propertiesFileOf("p.zip"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<pkgProperties xmlns=\"urn:plexar:package-properties:1.0\">\n"
            "<package>\n</package>\n"
            "<entries/>\n"
            "</pkgProperties>\n");
  {
    auto package = open("p.zip", kIn | kOut);
    EXPECT_EQ(package->getProperty(pkg::kZipPropArchiveComment), "a comment");
    package->beginUpdate();
    package->setProperty(pkg::kZipPropArchiveComment, "");
    package->endUpdate();
    package->close();
  }
  EXPECT_EQ(propertiesFileOf("p.zip"), "(none)");
  EXPECT_EQ(contentsOf(path("p.zip")),
            (std::map<std::string, std::string>{{"b.txt", "b"}, {"c.txt", "c"}}));
}

TEST_F(Properties, PropertiesFirstReadInACancelledUpdateAreKept) {
  {
    auto package = open("p.zip", kOut | kTrunc);
    package->beginUpdate();
    put(*package, "a.txt", "a");
    package->getFile("a.txt", true)->setProperty(kGenPropMacType, "TEXT");
    package->endUpdate();
    package->close();
  }
  {
    // The file is read only inside the update, which is then cancelled.
    auto package = open("p.zip", kIn | kOut);
    package->beginUpdate();
    EXPECT_EQ(package->getFile("a.txt", true)->getProperty(kGenPropMacType), "TEXT");
    package->cancelUpdate();
    EXPECT_EQ(package->getFile("a.txt", true)->getProperty(kGenPropMacType), "TEXT");
    package->beginUpdate();
    package->getFile("a.txt", true)->getProperty(kGenPropMacType);
    package->cancelUpdate();
    // A later update must not write the file anew without them.
    package->beginUpdate();
    put(*package, "b.txt", "b");
    package->endUpdate();
    package->close();
  }
  EXPECT_EQ(open("p.zip", kIn)->getFile("a.txt", true)->getProperty(kGenPropMacType), "TEXT");
}

TEST_F(Properties, RulesOfTheStore) {
  auto package = open("p.zip", kOut | kTrunc);
  auto noParser = open("q.zip", kOut | kTrunc, false);
  auto file = package->getFile("a.txt", false);
  EXPECT_EQ(codeOf([&] { file->setProperty(kGenPropMacType, "TEXT"); }), pkg::kPkgErrNotInUpdate);
  EXPECT_EQ(codeOf([&] { noParser->getFile("a.txt", false)->getProperty(kGenPropMacType); }),
            pkg::kPkgErrUnsupportedOperation);
  package->beginUpdate();
  EXPECT_EQ(codeOf([&] { package->setProperty(kGenPropMacType, "TEXT"); }),
            pkg::kPkgErrBadArgument);
  // XML cannot carry these, so they never reach the file.
  EXPECT_EQ(codeOf([&] { file->setProperty(kGenPropMacType, std::string("\0\0\0\1", 4)); }),
            pkg::kPkgErrBadArgument);
  EXPECT_EQ(codeOf([&] { file->setProperty(kGenPropMacType, "\xFF\xFE"); }),
            pkg::kPkgErrBadArgument);
  file->setProperty(kGenPropMacType, "TEXT");
  package->cancelUpdate();
  EXPECT_EQ(file->getProperty(kGenPropMacType), "");
  package->closeWithoutSave();
  noParser->closeWithoutSave();
}

TEST_F(Properties, BrokenFilesAreRejectedWithoutHarm) {
  struct Case {
    const char* what;
    const char* xml;
  } cases[] = {
      {"not well-formed", "<pkgProperties><entries><entry path=\"a.txt\">"},
      {"another root", "<other><entries/></other>"},
      {"two package elements", "<pkgProperties><package/><package/></pkgProperties>"},
      {"entry outside entries",
       "<pkgProperties><entry path=\"a.txt\"><prop "
       "key=\"mac_type\">T</prop></entry></pkgProperties>"},
      {"prop too deep",
       "<pkgProperties><entries><entry path=\"a.txt\"><x><prop key=\"mac_type\">T</prop></x>"
       "</entry></entries></pkgProperties>"},
      {"entry without a path",
       "<pkgProperties><entries><entry><prop "
       "key=\"mac_type\">T</prop></entry></entries></pkgProperties>"},
      {"second root element", "<pkgProperties><entries/></pkgProperties><pkgProperties/>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    makeWithPropertiesFile(std::string("<?xml version=\"1.0\"?>\n") + c.xml);
    auto package = open("p.zip", kIn);
    EXPECT_EQ(package->getFile("a.txt", true)->getProperty(kGenPropMacType), "");
    // Not taken as read: the next use tries again.
    EXPECT_FALSE(managerOf(package).isLoaded());
    package->close();
  }

  // Properties at the package level mean nothing and are passed over; the
  // entries' ones count.
  makeWithPropertiesFile(
      "<pkgProperties><package><prop key=\"datetime\">x</prop></package><entries>"
      "<entry path=\"a.txt\"><prop key=\"mac_type\">T</prop><prop key=\"unknown\">u</prop>"
      "<prop key=\"mac_creator\">a<!-- c -->&amp;<![CDATA[<b>]]></prop></entry>"
      "</entries></pkgProperties>");
  auto package = open("p.zip", kIn);
  auto file = package->getFile("a.txt", true);
  EXPECT_EQ(file->getProperty(kGenPropMacType), "T");
  EXPECT_EQ(file->getProperty(kGenPropMacCreator), "a&<b>");
  EXPECT_TRUE(managerOf(package).isLoaded());
}

TEST_F(Properties, AValuePastTheLimitIsRefusedWithThePackagesError) {
  const size_t limit = pkg::PkgPropertyMgr::kMaxPropertyValueBytes;
  auto fileWithValue = [&](size_t size) {
    makeWithPropertiesFile("<pkgProperties><entries><entry path=\"a.txt\"><prop key=\"mac_type\">" +
                           std::string(size, 'v') + "</prop></entry></entries></pkgProperties>");
  };
  fileWithValue(limit);
  auto package = open("p.zip", kIn);
  EXPECT_EQ(package->getFile("a.txt", true)->getProperty(kGenPropMacType).size(), limit);
  package->close();

  fileWithValue(limit + 1);
  package = open("p.zip", kIn);
  auto file = package->getFile("a.txt", true);
  EXPECT_EQ(codeOf([&] { file->getProperty(kGenPropMacType); }), pkg::kPkgErrNotValidPackage);
  EXPECT_FALSE(managerOf(package).isLoaded());
  EXPECT_EQ(managerOf(package).getAllFileLevelGenPropCount(), 0);
}

TEST(PkgXMLParser, DeliversUtf8AndKeepsExceptionsAwayFromExpat) {
  pkg::PkgXMLParser parser;
  RecordingHandler handler;
  std::istringstream utf16(std::string("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18));
  parser.setEventHandler(&handler);
  EXPECT_TRUE(parser.parse(utf16));
  parser.endParse();
  EXPECT_EQ(handler.events, (std::vector<std::string>{"<a", ">a"}));
  EXPECT_EQ(handler.chunks, (std::vector<std::string>{"\xC3\xA9"}));

  // A handler that throws stops the parse; the exception arrives after it.
  RecordingHandler thrower;
  thrower.throwAt = "b";
  std::istringstream doc("<a><b/><c/></a>");
  parser.setEventHandler(&thrower);
  EXPECT_THROW(parser.parse(doc), std::runtime_error);
  parser.endParse();
  EXPECT_EQ(thrower.events, (std::vector<std::string>{"<a"}));

  // A handler that answers -1 stops it too; the parser serves again after.
  RecordingHandler stopper;
  stopper.stopAt = "b";
  std::istringstream again("<a><b/><c/></a>");
  parser.setEventHandler(&stopper);
  EXPECT_FALSE(parser.parse(again));
  parser.endParse();
  EXPECT_EQ(stopper.events, (std::vector<std::string>{"<a", "<b"}));

  RecordingHandler broken;
  std::istringstream bad("<a><b></a>");
  parser.setEventHandler(&broken);
  EXPECT_FALSE(parser.parse(bad));
  EXPECT_STRNE(parser.errorText(), "");
  parser.endParse();
}

TEST_F(Properties, AFileMadeAnewInPlaceOfARemovedOneStartsWithoutItsProperties) {
  {
    auto package = open("p.zip", kOut | kTrunc);
    package->beginUpdate();
    auto file = package->getFile("a.txt", false);
    file->setProperty(pkg::kZipPropDOSDate, "2100");  // 1980-01-01
    writeAll(*file, "old");
    file->setProperty(kGenPropMacType, "OLDT");
    package->endUpdate();
    package->close();
  }
  auto package = open("p.zip", kIn | kOut);
  package->beginUpdate();
  package->getFile("a.txt", true)->remove();
  auto file = package->getFile("a.txt", false);
  EXPECT_EQ(file->getProperty(kGenPropMacType), "");
  EXPECT_EQ(file->getProperty(pkg::kZipPropDOSDate), "");
  writeAll(*file, "new");
  package->endUpdate();
  package->close();

  auto reopened = open("p.zip", kIn);
  auto again = reopened->getFile("a.txt", true);
  EXPECT_EQ(readAll(*again), "new");
  EXPECT_EQ(again->getProperty(kGenPropMacType), "");
  EXPECT_NE(again->getProperty(pkg::kZipPropDOSDate), "2100");
  EXPECT_EQ(propertiesFileOf("p.zip"), "(none)");
}
