// Package creation: what goes into the package, what the person is told,
// and that the author's description and folders come out of every run as
// they went in.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/CZorbPlexar.h"
#include "engine/tests/OneHostTest.h"
#include "foundation/AppGlobals.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "package/CZorbKxpPackage.h"
#include "package/CZorbPackageUtility.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/LogCapture.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/ScopedStrings.h"
#include "testsupport/ScriptedUI.h"
#include "testsupport/TreeSnapshot.h"

namespace {

using testsupport::ScriptedUI;
using Texts = std::vector<std::string>;
const auto Narrow = testsupport::NarrowAscii;

constexpr char kDescription[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!-- the author's own layout, which packing must not change -->\n"
    "<quillory-extension   name=\"Tool\" version=\"1.0\" type=\"command\">\n"
    "  <products><product name=\"Lumen\" primary=\"true\" version=\"11\" /></products>\n"
    "  <files>\n"
    "    <file source=\"a.htm\" destination=\"$userhomefolder/Tool\" />\n"
    "    <file source=\"lib/b.js\" destination=\"$userhomefolder/Tool/lib\" />\n"
    "  </files>\n"
    "</quillory-extension>\n";

class Package : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    // The zip tools as the build lays them out.
    EngineTest::SetUp();
    ui.always(ScriptedUI::Question::MessageBox,
              [](const ScriptedUI::Call&) { return ScriptedUI::Answer{}; });
    sandbox.writeFile("src/Tool.kxi", kDescription);
    sandbox.writeFile("src/a.htm", "<p>a</p>");
    sandbox.writeFile("src/lib/b.js", "var b = 1;");
    sandbox.makeFolder("out");
    g_exitCode = 0;
  }
  void TearDown() override {
    EngineTest::TearDown();
    g_exitCode = 0;
  }

  int create(int type, const std::string& out = "out/Tool.pkg", bool quiet = false) {
    return engine.CreatePackage(C("src/Tool.kxi"), C(out), nullptr, type, false, true, true, quiet);
  }

  // The texts of the messages shown, and whether each was an error.
  Texts messages() const {
    Texts out;
    const std::vector<ScriptedUI::Call> calls = ui.calls();
    for (size_t i = m_mark; i < calls.size(); ++i)
      if (const ScriptedUI::Call& call = calls[i]; call.name == "MessageBox")
        out.push_back(Narrow(CString(call.args[0].c_str())) + (call.args[2] == u"1" ? "!" : ""));
    return out;
  }

  // Later messages() leave out the calls so far.
  void mark() { m_mark = ui.calls().size(); }

  // The package unpacked by the engine, as relative names to contents.
  std::map<std::string, std::string> unpacked(const std::string& package) {
    sandbox.makeFolder("check");
    int type = 0;
    EXPECT_TRUE(engine.UnpackFile(C(package), C("check"), type));
    std::map<std::string, std::string> files;
    const auto tree = testsupport::TreeSnapshot::take(sandbox.posix("check"));
    for (const auto& [path, item] : tree.items())
      files[path] = item.kind == 'f' ? sandbox.readFile("check/" + path) : "/";
    (void)CZorbOS::DeleteDirectoryWithoutRollback(C("check"), true);
    return files;
  }

  testsupport::ScopedStrings strings{
      {4031, 4039, 4042, 4051, 4052, 4053, 4057, 4061, 4063, 4098, 4139, 4151},
      {4024, 4036, 4046, 4190, 4217, 4229, 4440},
      {4236}};
  size_t m_mark = 0;
};

TEST_F(Package, BothFormatsCarryTheDescriptionAndItsFilesAndLeaveTheSourcesAsTheyWere) {
  const auto before = testsupport::TreeSnapshot::take(sandbox.posix("src"));
  for (int type : {CZorbPlexar::kPackageKxp, CZorbPlexar::kPackageYxp}) {
    SCOPED_TRACE(type);
    const std::string out = type == CZorbPlexar::kPackageKxp ? "out/Tool.kxp" : "out/Tool.yxp";
    ASSERT_EQ(create(type, out), 0) << testing::PrintToString(messages());
    EXPECT_EQ(g_exitCode.load(), 0);
    const auto files = unpacked(out);
    EXPECT_EQ(files.at("a.htm"), "<p>a</p>");
    EXPECT_EQ(files.at("lib/b.js"), "var b = 1;");
    // The package holds the description as the engine writes it.
    ASSERT_EQ(files.count("Tool.kxi"), 1u);
    EXPECT_NE(files.at("Tool.kxi").find("name=\"Tool\""), std::string::npos);
    EXPECT_EQ(sandbox.readFile("src/Tool.kxi"), kDescription);
    EXPECT_TRUE(
        testsupport::sameTree(before, testsupport::TreeSnapshot::take(sandbox.posix("src"))));
  }
  EXPECT_EQ(messages(), (Texts{"4042", "4042"}));
  // Progress: title, count, the description and each file.
  Texts progress;
  for (const ScriptedUI::Call& call : ui.calls())
    if (call.name != "MessageBox") progress.push_back(call.name);
  EXPECT_EQ(progress.front(), "ShowProgress");
  EXPECT_EQ(progress.back(), "HideProgress");
}

TEST_F(Package, AYxpStartsWithItsMimetypeStoredAndUnpacksAsBefore) {
  ASSERT_EQ(create(CZorbPlexar::kPackageYxp, "out/Tool.yxp"), 0)
      << testing::PrintToString(messages());
  const std::string bytes = sandbox.readFile("out/Tool.yxp");
  // The first local header: its method (stored), name and data.
  ASSERT_GT(bytes.size(), 64u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(bytes[8], 0);
  EXPECT_EQ(bytes[9], 0);
  const size_t nameLength =
      static_cast<unsigned char>(bytes[26]) | static_cast<unsigned char>(bytes[27]) << 8;
  const size_t extraLength =
      static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8;
  EXPECT_EQ(bytes.substr(30, nameLength), "mimetype");
  EXPECT_EQ(bytes.substr(30 + nameLength + extraLength, 25), "application/vnd.vesko.yxp");
  const auto files = unpacked("out/Tool.yxp");
  EXPECT_EQ(files.at("a.htm"), "<p>a</p>");
  EXPECT_EQ(files.at("lib/b.js"), "var b = 1;");
  EXPECT_EQ(files.count("Tool.kxi"), 1u);
}

TEST_F(Package, FailedChecksNameWhatIsMissingAndBuildNothing) {
  struct Case {
    const char* name;
    std::string description;
    int type;
    int result;
    Texts shown;
  };
  const Case cases[] = {
      {"nothing given",
       "<quillory-extension type=\"command\"><files/></quillory-extension>",
       2,
       -1,
       {"4051\r\r4052\r4053\r4057\r\r4039!"}},
      {"unknown type", kDescription, 3, -1, {"4039!"}},
      {"malformed tag",
       "<quillory-extension name=\"T\" version=\"1\">\n<products / >\n",
       2,
       -3,
       {"4063 4039!"}},
      {"climbing source",
       "<quillory-extension name=\"T\" version=\"1\"><products><product name=\"L\" /></products>"
       "<files><file source=\"../x\" destination=\"$a\"/></files></quillory-extension>",
       1,
       -5,
       {"4151 4039!"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mark();
    sandbox.writeFile("src/Tool.kxi", c.description);
    EXPECT_EQ(create(c.type), c.result);
    EXPECT_EQ(messages(), c.shown);
    EXPECT_EQ(g_exitCode.load(), 5);
    EXPECT_FALSE(sandbox.exists("out/Tool.pkg"));
    EXPECT_EQ(sandbox.readFile("src/Tool.kxi"), c.description);
  }
  EXPECT_NE(testsupport::CapturedLog().find("createPackage(): unknown file type."),
            std::string::npos);

  mark();
  EXPECT_EQ(engine.CreatePackage(C("src/None.kxi"), C("out/T.kxp"), nullptr, 2, false, false, true,
                                 false),
            -1);
  EXPECT_EQ(messages(), Texts{"4024[" + Narrow(C("src/None.kxi")) + "]4039!"});

  // A missing file of the list stops the packing; quiet runs say nothing.
  sandbox.writeFile("src/Tool.kxi", kDescription);
  std::filesystem::remove(sandbox.posix("src/lib/b.js"));
  mark();
  EXPECT_EQ(create(2, "out/Tool.kxp"), -1);
  EXPECT_EQ(messages(), Texts{"4024[" + Narrow(C("src/lib/b.js")) + "] 4039!"});
  mark();
  EXPECT_EQ(create(2, "out/Tool.kxp", true), -1);
  EXPECT_EQ(messages(), Texts{});
  EXPECT_FALSE(sandbox.exists("out/Tool.kxp"));

  // Without a UI nothing happens at all.
  CZorbPlexar headless(nullptr);
  g_exitCode = 0;
  EXPECT_EQ(headless.CreatePackage(C("src/Tool.kxi"), C("out/Tool.kxp"), nullptr, 2, false, true,
                                   true, false),
            -1);
  EXPECT_EQ(g_exitCode.load(), 5);
}

TEST_F(Package, TheFormatVersionFollowsNamesBeyondAsciiAndLicences) {
  struct Case {
    const char* name;
    std::string description;
    uint32_t version;
  };
  const std::string ascii = kDescription;
  std::string wideName = ascii;
  wideName.replace(wideName.find("a.htm"), 5, "\xC3\xA4.htm");
  std::string licence = ascii;
  licence.replace(licence.find("  <files>"), 0,
                  "  <license-agreement><![CDATA[Be nice.]]></license-agreement>\n");
  sandbox.writeFile("src/\xC3\xA4.htm", "umlaut");
  for (const Case& c :
       {Case{"ascii", ascii, 3}, Case{"wide name", wideName, 4}, Case{"licence", licence, 4}}) {
    SCOPED_TRACE(c.name);
    sandbox.writeFile("src/Tool.kxi", c.description);
    ASSERT_EQ(create(2, "out/Tool.kxp"), 0) << testing::PrintToString(messages());
    CZorbKxpPackage reader(C("out/Tool.kxp"));
    CZorbTypedVector<CString> names;
    ASSERT_EQ(reader.UnPackFileNames(names), 0);
    EXPECT_EQ(reader.GetVersion(), c.version);
  }
}

TEST_F(Package, AnEmptyFolderTravelsInAKxpAsAPlaceholderAndStaysAFolder) {
  std::string description = kDescription;
  description.replace(description.find("  </files>"), 0,
                      "    <file source=\"cache\" destination=\"$userhomefolder/Tool/cache\" "
                      "isemptyfolder=\"true\" />\n");
  sandbox.writeFile("src/Tool.kxi", description);
  sandbox.makeFolder("src/cache");
  const auto before = testsupport::TreeSnapshot::take(sandbox.posix("src"));
  ASSERT_EQ(create(2, "out/Tool.kxp"), 0) << testing::PrintToString(messages());
  const auto files = unpacked("out/Tool.kxp");
  // The placeholder holds the folder's path; unpacking leaves it a file.
  ASSERT_EQ(files.count("cache"), 1u);
  EXPECT_EQ(files.at("cache"), Narrow(C("src/cache")));
  EXPECT_TRUE(testsupport::sameTree(before, testsupport::TreeSnapshot::take(sandbox.posix("src"))));

  // A placeholder that cannot be written: the entry is left out, and the
  // folder is there again all the same.
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath("src/cache", EIO, platform::kFsRename, 1);
    EXPECT_EQ(create(2, "out/Tool.kxp"), 0) << testing::PrintToString(messages());
  }
  EXPECT_TRUE(testsupport::sameTree(before, testsupport::TreeSnapshot::take(sandbox.posix("src"))));
  EXPECT_NE(testsupport::CapturedLog().find("for empty directory"), std::string::npos);

  // A missing empty folder fails the package.
  ASSERT_TRUE(CZorbOS::RemoveDirectory(C("src/cache")));
  mark();
  EXPECT_EQ(create(2, "out/Other.kxp"), -1);
  EXPECT_EQ(messages(), Texts{"4190[" + Narrow(C("src/cache")) + "] 4039!"});
}

TEST_F(Package, AnExistingPackageIsReplacedOnlyByAWholeNewOne) {
  sandbox.writeFile("out/Tool.yxp", "the old package");
  ASSERT_EQ(create(1, "out/Tool.yxp"), 0);
  EXPECT_EQ(unpacked("out/Tool.yxp").at("a.htm"), "<p>a</p>");

  // The new package cannot be put in place: the old one stays whole.
  sandbox.writeFile("out/Tool.yxp", "the old package");
  mark();
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath("out/", ENOSPC, platform::kFsWrite);
    EXPECT_EQ(create(1, "out/Tool.yxp"), 1);
  }
  EXPECT_EQ(messages(), Texts{"4139!"});
  EXPECT_EQ(g_exitCode.load(), 5);
  EXPECT_EQ(sandbox.readFile("out/Tool.yxp"), "the old package");
  EXPECT_EQ(sandbox.readFile("src/Tool.kxi"), kDescription);
}

TEST_F(Package, TheDescriptionComesBackByteForByteWhateverFileCallFails) {
  std::string description = kDescription;
  description.replace(description.find("  </files>"), 0,
                      "    <file source=\"cache\" destination=\"$userhomefolder/Tool/cache\" "
                      "isemptyfolder=\"true\" />\n");
  sandbox.writeFile("src/Tool.kxi", description);
  sandbox.makeFolder("src/cache");
  sandbox.writeFile("out/Tool.kxp", "the old package");
  const auto before = testsupport::TreeSnapshot::take(sandbox.posix("src"));
  for (int type : {CZorbPlexar::kPackageKxp, CZorbPlexar::kPackageYxp}) {
    SCOPED_TRACE(type);
    const std::string out = type == CZorbPlexar::kPackageKxp ? "out/Tool.kxp" : "out/Tool.yxp";
    int calls = 0;
    {
      platform::FaultInjectingFileSystem counter;
      platform::FileSystemOverride use(counter);
      ASSERT_EQ(create(type, out), 0);
      calls = counter.callCount(platform::kFsMutatingOps);
    }
    ASSERT_GT(calls, 0);
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE(n);
      sandbox.writeFile(out, "the old package");
      int result = 0;
      {
        platform::FaultInjectingFileSystem fs;
        platform::FileSystemOverride use(fs);
        fs.failNth(n, EIO);
        result = create(type, out);
      }
      EXPECT_EQ(sandbox.readFile("src/Tool.kxi"), description);
      EXPECT_TRUE(
          testsupport::sameTree(before, testsupport::TreeSnapshot::take(sandbox.posix("src"))));
      // The destination is the old package or a whole new one.
      const std::string now = sandbox.readFile(out);
      if (result != 0 || now == "the old package") {
        EXPECT_EQ(now, "the old package");
      } else {
        EXPECT_EQ(unpacked(out).at("a.htm"), "<p>a</p>");
      }
    }
  }
}

}  // namespace
