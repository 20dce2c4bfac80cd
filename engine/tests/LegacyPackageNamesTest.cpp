// A legacy package keeps its file names in the charset of the system that
// made it, which its description declares: the install reads them in that
// charset, and the files arrive under the names the description gives.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/CString.h"
#include "package/CZorbKxpPackage.h"
#include "platform/os/TextEncodings.h"
#include "platform/os/Utf.h"
#include "testsupport/LogCapture.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"

namespace {

using testsupport::ScriptedUI;
using Question = ScriptedUI::Question;

constexpr uint32_t kMacRoman = platform::encoding::kMacRoman;
constexpr uint32_t kLatin1 = platform::encoding::kISOLatin1;
constexpr uint32_t kUTF8 = platform::encoding::kUTF8;

// "é" and "Ü" in each charset the packages below use.
struct Charset {
  uint32_t encoding;
  std::string e;
  std::string U;
};
const Charset kMacRomanBytes{kMacRoman, "\x8E", "\x86"};
const Charset kLatin1Bytes{kLatin1, "\xE9", "\xDC"};
const Charset kUtf8Bytes{kUTF8, "\xC3\xA9", "\xC3\x9C"};

// The description in its own charset, with or without a declaration of it.
std::string Description(const Charset& c, const char* declared) {
  std::string text;
  if (declared) text += std::string("<?xml version=\"1.0\" encoding=\"") + declared + "\"?>\n";
  text += "<quillory-extension name=\"Caf" + c.e +
          "\" version=\"1.0\" type=\"command\">\n"
          "\t<author name=\"Vesko\" />\n"
          "\t<products><product name=\"Lumen 11\" version=\"11\" primary=\"true\" /></products>\n"
          "\t<files>\n"
          "\t\t<file source=\"Caf" +
          c.e +
          ".htm\" destination=\"$hostfolder/Commands\" />\n"
          "\t\t<file source=\"" +
          c.U + "nter/b.js\" destination=\"$hostfolder/Commands/" + c.U +
          "nter\" />\n"
          "\t</files>\n"
          "</quillory-extension>\n";
  return text;
}

// The description in UTF-16, little end first, with its mark.
std::string Utf16(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  const std::u16string units = platform::utf8ToUtf16(utf8).value();
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

class LegacyPackageNames : public enginetest::OneHostTest {
 protected:
  void SetUp() override {
    OneHostTest::SetUp();
    // The system's charset is Mac Roman.
    platform::setTextEncodingLanguage("en");
    ui.alwaysNumber(Question::MessageBox, CZorbPlexarUI::kAnswerCancel);
    ui.alwaysYes(Question::ConfirmInstall);
    ui.alwaysSupportsByName();
    sandbox.writeFile("src/Caf\xC3\xA9.htm", "<p>caf\xC3\xA9</p>");
    sandbox.makeFolder("src/\xC3\x9Cnter");
    sandbox.writeFile("src/\xC3\x9Cnter/b.js", "var b = 1;");
    sandbox.makeFolder("pkg");
  }
  void TearDown() override {
    platform::setTextEncodingLanguage("");
    OneHostTest::TearDown();
  }

  // A package of the format version with its names in the charset's bytes,
  // as the system that made it wrote them.
  CString Pack(int version, const Charset& names, const std::string& description) {
    sandbox.writeFile("src/Tool.kxi", description);
    const CString path = C("pkg/Tool.kxp");
    CZorbKxpPackage package;
    package.SetFileNameEncoding(names.encoding);
    EXPECT_EQ(package.Create(path, version), 0);
    struct Entry {
      std::u16string stored;
      std::string source;
    };
    const Entry entries[] = {{u"Tool.kxi", "src/Tool.kxi"},
                             {u"Caf\u00e9.htm", "src/Caf\xC3\xA9.htm"},
                             {u"\u00dcnter:b.js", "src/\xC3\x9Cnter/b.js"}};
    for (const Entry& entry : entries)
      EXPECT_EQ(package.PackFile(entry.stored.c_str(), C(entry.source), true, false), 0);
    // The names in the package are the charset's bytes.
    const std::string bytes = sandbox.readFile("pkg/Tool.kxp");
    EXPECT_NE(bytes.find("Caf" + names.e + ".htm"), std::string::npos);
    EXPECT_NE(bytes.find(names.U + "nter"), std::string::npos);
    return path;
  }

  CZorbExtension* Install(const CString& package) {
    CZorbProduct* slot = &host;
    CZorbExtension* replaced = nullptr;
    CZorbExtension* clone = nullptr;
    CZorbExtensionProduct chosen;
    bool accepted = true;
    bool askLicence = true;
    bool mayRetry = true;
    int restart = 0;
    CString chosenName, primaryName;
    CZorbExtension* installed = engine.InstallExtension(
        &slot, package, &replaced, false, true, true, restart, false, false, true, askLicence, 30,
        nullptr, &clone, nullptr, &chosen, &accepted, &chosenName, &primaryName, &mayRetry);
    delete clone;
    return installed;
  }

  // The messages the install showed, for a failure's report.
  std::string Shown() const {
    std::string out;
    for (const ScriptedUI::Call& call : ui.calls())
      if (call.name == "MessageBox" && !call.args.empty())
        out += platform::utf16ToUtf8Lossy(call.args[0]) + "\n";
    return out;
  }

  testsupport::ScopedStrings strings{{4031, 4039, 4042, 4043}, {4016, 4024, 4190, 4217}};
};

TEST_F(LegacyPackageNames, FilesArriveUnderTheNamesTheDescriptionGives) {
  struct Case {
    const char* name;
    int version;
    const Charset* names;        // the package's names
    const Charset* description;  // the description's own bytes
    const char* declared;        // the charset its declaration names
    bool wide;                   // the description in UTF-16
  } cases[] = {
      {"Latin-1 names, declared", 3, &kLatin1Bytes, &kLatin1Bytes, "ISO-8859-1", false},
      {"Latin-1 names, declared in lower case", 3, &kLatin1Bytes, &kLatin1Bytes, "iso-8859-1",
       false},
      {"the system's own names, undeclared", 3, &kMacRomanBytes, &kMacRomanBytes, nullptr, false},
      {"the system's own names, declared", 3, &kMacRomanBytes, &kMacRomanBytes, "macintosh", false},
      // UTF-16 is no charset names are written in.
      {"the system's own names, a UTF-16 description", 3, &kMacRomanBytes, &kUtf8Bytes, "UTF-16",
       true},
      // From version 4 on, names are UTF-8 whatever the description says.
      {"version 4, a Latin-1 description", 4, &kUtf8Bytes, &kLatin1Bytes, "ISO-8859-1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetHost();
    const std::string description = Description(*c.description, c.declared);
    const CString package = Pack(c.version, *c.names, c.wide ? Utf16(description) : description);
    CZorbExtension* installed = Install(package);
    ASSERT_NE(installed, nullptr) << testsupport::CapturedLog() << "\n" << Shown();
    EXPECT_EQ(installed->m_name, CString(u"Caf\u00e9"));
    EXPECT_EQ(sandbox.readFile("Host/Commands/Caf\xC3\xA9.htm"), "<p>caf\xC3\xA9</p>");
    EXPECT_EQ(sandbox.readFile("Host/Commands/\xC3\x9Cnter/b.js"), "var b = 1;");
    EXPECT_TRUE(sandbox.exists("work/store/Tool.kxp"));
  }
}

}  // namespace
