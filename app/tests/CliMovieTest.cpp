// The command-line movie on its own: its reading of command lines, its
// decisions, and its side of the conversation with a recording program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/CTAMBFrontController.h"
#include "app/CliMovie.h"
#include "app/CliOptions.h"
#include "foundation/CString.h"
#include "platform/os/PlatformConfig.h"
#include "platform/tamb/MainLoop.h"
#include "testsupport/TempDir.h"

namespace {

using Operation = CliOptions::Operation;

TEST(CliOptions, ReadsOperationsArgumentsAndOptions) {
  struct Case {
    const char* what;
    std::vector<std::string> words;
    Operation operation;
    std::vector<std::string> arguments;
    std::string error;  // a part of the error, "" for none
  } cases[] = {
      {"install, relative path",
       {"install", "a b.kxp"},
       Operation::kInstall,
       {"/work/a b.kxp"},
       ""},
      {"older spelling", {"-install", "../x.yxp"}, Operation::kInstall, {"/x.yxp"}, ""},
      {"a package alone is installed", {"/p/e.KXP"}, Operation::kInstall, {"/p/e.KXP"}, ""},
      {"remove by name",
       {"remove", "My Ext", "--product", "Loomwright 11"},
       Operation::kRemove,
       {"My Ext"},
       ""},
      {"package",
       {"package", "d.kxi", "/o/p.yxp"},
       Operation::kPackage,
       {"/work/d.kxi", "/o/p.yxp"},
       ""},
      {"list", {"list"}, Operation::kList, {}, ""},
      {"help wins", {"install", "--help"}, Operation::kHelp, {}, ""},
      {"options end", {"install", "--", "-odd.kxp"}, Operation::kInstall, {"/work/-odd.kxp"}, ""},
      {"unknown operation", {"frobnicate"}, Operation::kNone, {}, "unknown operation"},
      {"unknown option", {"install", "a.kxp", "--bogus"}, Operation::kNone, {}, "unknown option"},
      {"missing value", {"install", "a.kxp", "--product"}, Operation::kNone, {}, "needs a value"},
      {"missing argument", {"install"}, Operation::kNone, {}, "needs an argument"},
      {"too many", {"remove", "a", "b"}, Operation::kNone, {}, "too many"},
      {"bad time-out", {"install", "a.kxp", "--timeout", "0"}, Operation::kNone, {}, "--timeout"},
      {"bad overwrite",
       {"install", "a.kxp", "--overwrite=some"},
       Operation::kNone,
       {},
       "--overwrite"},
      {"bad type", {"package", "a.kxi", "b", "--type", "zip"}, Operation::kNone, {}, "--type"},
      {"flag with value", {"list", "--force=yes"}, Operation::kNone, {}, "takes no value"},
      {"nothing", {}, Operation::kNone, {}, ""},
  };
  for (const Case& c : cases) {
    const CliOptions o = CliOptions::parse(c.words, "/work");
    if (!c.error.empty()) {
      EXPECT_NE(o.error.find(c.error), std::string::npos) << c.what << ": " << o.error;
      EXPECT_TRUE(o.suppress()) << c.what;
      continue;
    }
    EXPECT_EQ(o.error, "") << c.what;
    EXPECT_EQ(o.operation, c.operation) << c.what;
    EXPECT_EQ(o.arguments, c.arguments) << c.what;
  }

  const CliOptions o =
      CliOptions::parse({"install", "x.kxp", "--product=Emberly 11", "--timeout", "12",
                         "--accept-license", "--overwrite", "all", "--folder", "brushes=b",
                         "--folder", "/any", "--locale", "de_DE", "--force", "-q"},
                        "/w");
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.product, "Emberly 11");
  EXPECT_EQ(o.timeout, "12");
  EXPECT_TRUE(o.acceptLicense);
  EXPECT_EQ(o.overwrite, CliOptions::Overwrite::kAll);
  EXPECT_EQ(o.folders, (std::map<std::string, std::string>{{"brushes", "/w/b"}, {"", "/any"}}));
  EXPECT_EQ(o.locale, "de_DE");
  EXPECT_TRUE(o.force && o.quiet && !o.interactive && o.suppress());
  EXPECT_FALSE(CliOptions::parse({"list", "-i"}, "/").suppress());
}

TEST(CliOptions, SplitsTheLinesTheProgramHandsOver) {
  std::string folder;
  // The process's arguments, one a line, then the quoted current folder.
  EXPECT_EQ(
      CliOptions::splitLine("install\na b.kxp\n-CurrDir=\"/w \\\"q\\\" \\\\x\"", true, folder),
      (std::vector<std::string>{"install", "a b.kxp"}));
  EXPECT_EQ(folder, "/w \"q\" \\x");
  // Launch options: blanks between words, quotes and escapes kept together.
  EXPECT_EQ(
      CliOptions::splitLine("remove \"My Ext\" --product=Loom\\ 11 -CurrDir=\"/t\"", false, folder),
      (std::vector<std::string>{"remove", "My Ext", "--product=Loom 11"}));
  EXPECT_EQ(folder, "/t");
  // A document opened through the platform arrives quoted.
  folder.clear();
  const CliOptions doc = CliOptions::parseLine("\"/d/a \\\"b\\\".kxp\"", true);
  EXPECT_EQ(doc.operation, Operation::kInstall);
  EXPECT_EQ(doc.arguments, (std::vector<std::string>{"/d/a \"b\".kxp"}));
  // A second process without arguments forwards only its folder.
  EXPECT_TRUE(CliOptions::splitLine("\n-CurrDir=\"/x\"", true, folder).empty());
}

TEST(CliMovieDecisions, SupportsByNameFamilyBoundsAndBits) {
  CliMovie::Product lw{"Loomwright 11", "Loomwright", "11.0.3", "/A/LW", "Web", "", 0};
  struct Case {
    const char* what;
    std::string name, low, high;
    bool lowOpen, highOpen;
    int bit;
    bool expected;
  } cases[] = {
      {"family, no bounds", "loomwright", "", "", false, false, 0, true},
      {"product name", "LOOMWRIGHT 11", "", "", false, false, 0, true},
      {"other family", "Emberly", "", "", false, false, 0, false},
      {"empty name", "", "", "", false, false, 0, false},
      {"within", "Loomwright", "10", "12", false, false, 0, true},
      {"below the low bound", "Loomwright", "12", "", false, false, 0, false},
      {"equal to a closed low bound", "Loomwright", "11.0.3", "", false, false, 0, true},
      {"equal to an open low bound", "Loomwright", "11.0.3", "", true, false, 0, false},
      {"a major high bound admits its minors", "Loomwright", "", "11", false, false, 0, true},
      {"an open major high bound excludes them", "Loomwright", "", "11", false, true, 0, false},
      {"above the high bound", "Loomwright", "", "10.5", false, false, 0, false},
      {"bits of an any-bit host", "Loomwright", "", "", false, false, 2, true},
      // Versions no 16-bit field holds are unmet; wrapped, each would pass.
      {"low bound 65547 (11)", "Loomwright", "65547", "", false, false, 0, false},
      {"low bound 65535 (-1)", "Loomwright", "65535", "", false, false, 0, false},
      {"low bound 11.65536 (11.0)", "Loomwright", "11.65536", "", false, false, 0, false},
      {"high bound 65547 (11)", "Loomwright", "", "65547", false, false, 0, false},
      {"high bound 11.65536.3 (11.0.3)", "Loomwright", "", "11.65536.3", false, false, 0, false},
      {"within, at the field's end", "Loomwright", "11", "32767", false, false, 0, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CliMovie::supports(lw, c.name, c.low, c.high, c.lowOpen, c.highOpen, c.bit),
              c.expected)
        << c.what;
  lw.bit = 1;
  EXPECT_FALSE(CliMovie::supports(lw, "Loomwright", "", "", false, false, 2));
  EXPECT_TRUE(CliMovie::supports(lw, "Loomwright", "", "", false, false, 1));
  // A host whose own version no field holds meets no bound.
  lw.version = "65547";
  EXPECT_FALSE(CliMovie::supports(lw, "Loomwright", "10", "", false, false, 0));
  EXPECT_TRUE(CliMovie::supports(lw, "Loomwright", "", "", false, false, 0));
}

// The program's texts of the questions that replace an installed
// extension.
constexpr char kSameStoreFile[] = "Another extension is installed under the same description file.";
constexpr char kReplaceEnabled[] = "Install %s in place of %s? (package: %s)";
constexpr char kDisableOther[] = "Install %s and disable %s? (package: %s)";

TEST(CliMovieDecisions, TellsAnUpdateFromAnotherExtensionUnderTheSameFile) {
  using Kind = CliMovie::Replacement::Kind;
  using Installed = CliMovie::Installed;
  const std::string replace =
      std::string(kSameStoreFile) + " Install Tools in place of Tools? " + "(package: tools-2.yxp)";
  const Installed tools100{"Loomwright 11", "Tools", "1.0.0", "Tools.kxi", "com.x.tools"};
  const Installed tools110{"Emberly 11", "Tools", "1.1.0", "Tools.kxi", "com.x.tools"};
  struct Case {
    const char* what;
    std::string text;
    std::vector<Installed> installed;
    std::optional<Installed> incoming;
    Kind kind;
    std::string installedVersion;
  } cases[] = {
      {"newer",
       replace,
       {tools100},
       Installed{"", "Tools", "1.0.1", "Tools.kxi", "com.x.tools"},
       Kind::kUpdate,
       "1.0.0"},
      {"the same version",
       replace,
       {tools100},
       Installed{"", "tools", "1.0", "TOOLS.KXI", "com.x.tools"},
       Kind::kSame,
       "1.0.0"},
      {"older",
       replace,
       {tools100},
       Installed{"", "Tools", "0.9", "Tools.kxi", "com.x.tools"},
       Kind::kDowngrade,
       "1.0.0"},
      {"older than one of two copies",
       replace,
       {tools100, tools110},
       Installed{"", "Tools", "1.0.5", "Tools.kxi", "com.x.tools"},
       Kind::kDowngrade,
       "1.1.0"},
      {"the same name, another id",
       replace,
       {tools100},
       Installed{"", "Tools", "2.0", "Tools.kxi", "org.other.tools"},
       Kind::kOther,
       ""},
      {"another name",
       std::string(kSameStoreFile) + " Install Other in place of Tools? (package: o.yxp)",
       {tools100},
       Installed{"", "Other", "2.0", "Tools.kxi", "com.x.tools"},
       Kind::kOther,
       ""},
      {"the package can't be read", replace, {tools100}, std::nullopt, Kind::kOther, ""},
      {"nothing of that name installed",
       replace,
       {Installed{"Loomwright 11", "Tools", "1.0.0", "Other.kxi", "com.x.tools"}},
       Installed{"", "Tools", "1.0.1", "Tools.kxi", "com.x.tools"},
       Kind::kOther,
       ""},
      {"another one, disabled",
       std::string(kSameStoreFile) + " Install Tools and disable Old? (package: t.yxp)",
       {tools100},
       Installed{"", "Tools", "1.0.1", "Tools.kxi", "com.x.tools"},
       Kind::kOther,
       ""},
      {"no such question",
       "An older version of Tools is installed. Replace it?",
       {tools100},
       Installed{"", "Tools", "1.0.1", "Tools.kxi", "com.x.tools"},
       Kind::kNone,
       ""},
  };
  for (const Case& c : cases) {
    const CliMovie::Replacement r =
        CliMovie::judgeReplacement(c.text, kSameStoreFile, kReplaceEnabled, kDisableOther,
                                   c.installed, c.incoming ? &*c.incoming : nullptr);
    EXPECT_EQ(r.kind, c.kind) << c.what;
    if (c.kind == Kind::kUpdate || c.kind == Kind::kSame || c.kind == Kind::kDowngrade) {
      EXPECT_EQ(r.installed, c.installedVersion) << c.what;
      EXPECT_EQ(r.incoming, c.incoming->version) << c.what;
    }
  }

  std::vector<std::string> values;
  ASSERT_TRUE(
      CliMovie::readFormat("Install A in place of B? (package: c.yxp)", kReplaceEnabled, values));
  EXPECT_EQ(values, (std::vector<std::string>{"A", "B", "c.yxp"}));
}

TEST(CliMovieDecisions, ReadsFormatsPathsAndProductLists) {
  EXPECT_TRUE(CliMovie::matchesFormat("An older version of X 1 is installed. Replace it?",
                                      "An older version of %s is installed. Replace it?"));
  EXPECT_FALSE(CliMovie::matchesFormat("A newer version of X is installed. Replace it?",
                                       "An older version of %s is installed. Replace it?"));
  EXPECT_TRUE(CliMovie::matchesFormat("a-b-c", "a%sb%sc"));
  EXPECT_FALSE(CliMovie::matchesFormat("ab", "a%sb%sc"));
  EXPECT_FALSE(CliMovie::matchesFormat("abc", ""));
  EXPECT_TRUE(CliMovie::matchesFormat("50% done", "%d%% done"));

  EXPECT_TRUE(CliMovie::isInside("/A/LW/Config/x", "/A/LW/"));
  EXPECT_TRUE(CliMovie::isInside("/A/LW", "/A/LW"));
  EXPECT_FALSE(CliMovie::isInside("/A/LWX/y", "/A/LW"));
  EXPECT_FALSE(CliMovie::isInside("/A/LW/../../etc", "/A/LW"));

  std::vector<std::string> answer{"-1", "0", "1", "a host that can't be read"};
  const std::vector<std::string> entry{"0",     "Emberly 11", "Emberly",  "11.0.0", "/A/EM", "d",
                                       "/icon", "d2",         "Graphics", "/S/EM",  "1",     "0",
                                       "h",     "p",          "g",        "2"};
  answer.insert(answer.end(), entry.begin(), entry.end());
  answer.insert(answer.end(), {"0", "cut short"});
  std::vector<std::string> errors;
  const auto products = CliMovie::readProducts(answer, &errors);
  EXPECT_EQ(errors, (std::vector<std::string>{"a host that can't be read"}));
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(products[0].name, "Emberly 11");
  EXPECT_EQ(products[0].group, "Graphics");
  EXPECT_EQ(products[0].store, "/S/EM");
  EXPECT_EQ(products[0].bit, 2);
}

TEST(CliMovieDecisions, ReadsTheStoreAndWritesBundleDescriptions) {
  TempDir dir;
  const std::string store = dir.path() + "/store";
  std::filesystem::create_directories(store);
  std::ofstream(store + "/b.kxi")
      << "<?xml version=\"1.0\"?>\n<quillory-extension\n"
         "  name=\"B &amp; Co\"\n  version=\"1.2.0\" >\n</quillory-extension>\n";
  std::ofstream(store + "/a.KXI") << "<quillory-package version='2'></quillory-package>";
  std::ofstream(store + "/b.kxi_brio") << "<quillory-extension name=\"not this\"/>";
  std::ofstream(store + "/junk.kxi") << "not a description";
  std::filesystem::create_symlink(store + "/b.kxi", store + "/c.kxi");
  const auto found = CliMovie::readStore("P", store);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].descriptionFile, "a.KXI");
  EXPECT_EQ(found[0].name, "a");
  EXPECT_EQ(found[0].version, "2");
  EXPECT_EQ(found[1].name, "B & Co");
  EXPECT_EQ(found[1].version, "1.2.0");
  EXPECT_TRUE(CliMovie::readStore("P", dir.path() + "/none").empty());

  const std::string manifest = dir.path() + "/manifest.xml";
  std::ofstream(manifest) << "<WBXS><Data key=\"com.x.bundle\">1.4.0</Data></WBXS>";
  std::string why;
  ASSERT_TRUE(CliMovie::writeStandaloneDescription(manifest, dir.path() + "/x.kxi", "x.yxp", why))
      << why;
  std::ifstream in(dir.path() + "/x.kxi");
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("<quillory-extension name=\"com.x.bundle\" version=\"1.4.0\""),
            std::string::npos);
  std::ofstream(manifest) << "<WBXS><Data key=\"a\">1</Data><Data key=\"b\">2</Data></WBXS>";
  EXPECT_FALSE(CliMovie::writeStandaloneDescription(manifest, dir.path() + "/y.kxi", "y", why));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/y.kxi"));
}

// The program as the movie sees it: every call recorded, texts decoded.
class RecordingHost final : public tamb::MovieHost {
 public:
  void externalCall(const tamb::Invocation& call) override {
    tamb::Invocation decoded;
    decoded.name = call.name;
    for (const std::string& s : call.strings())
      decoded.arguments.push_back(
          tamb::Value::string(CTAMBFrontController::getInstance()->codec().decode(s)));
    calls.push_back(decoded);
  }
  void externalCallText(const std::string&) override {}
  std::vector<tamb::Invocation> calls;
};

class CliMovieRun : public ::testing::Test {
 protected:
  CliMovieRun() : m_savedStrings(CString::g_DataMap) {
    CString::g_DataMap[4043] = "The extension was not installed.";
    CString::g_DataMap[4019] =
        "A newer version of %s is installed. Replace it with this older version?";
    CString::g_DataMap[4020] = "An older version of %s is installed. Replace it?";
    CString::g_DataMap[4021] = "This version of %s is already installed. Install it again?";
    CString::g_DataMap[4099] = "No folder was chosen. Choose one now?";
    CString::g_DataMap[4106] = "Choose the folder for %s.";
    CString::g_DataMap[4102] = "Restart %s to finish enabling the extension.";
    CString::g_DataMap[4017] = kSameStoreFile;
    CString::g_DataMap[4181] = kReplaceEnabled;
    CString::g_DataMap[4018] = kDisableOther;
    movie.setCommandCheck([this](const std::string& name) { return !unknownCommands.count(name); });
    movie.start(host);
  }
  ~CliMovieRun() override { CString::g_DataMap = m_savedStrings; }

  // The program calls the movie, texts encoded as it encodes them.
  void program(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> encoded;
    for (const std::string& a : args)
      encoded.push_back(CTAMBFrontController::getInstance()->codec().encode(a));
    movie.invoke(tamb::Invocation::of(name, encoded));
    loop.runPending();
  }
  // The last call of that name the movie made; fails when there is none.
  std::vector<std::string> last(const std::string& name) const {
    for (auto it = host.calls.rbegin(); it != host.calls.rend(); ++it)
      if (it->name == name) return it->strings();
    ADD_FAILURE() << "no call " << name;
    return {"?"};
  }
  size_t count(const std::string& name) const {
    size_t n = 0;
    for (const auto& c : host.calls) n += c.name == name;
    return n;
  }
  // The start-up hand-shake with that command line, up to the hand-over.
  void startWith(const std::string& line) {
    program("brioParseSuppress", {"-1", line, "1", "1"});
    program("brioGetLocaleList", {"-2"});
    program("brioParseLocale", {"-3", line, "1", "1"});
    program("brioNotifyReady", {"-5"});
    program("brioHandleCommandLine", {"-6", line, "1", "1"});
  }
  void answerProducts(const std::string& store = "/S/LW") {
    const std::string id = last("externalGetSupportedProducts")[0];
    program("brioCallBack", {id, "0", "0", "Loomwright 11", "Loomwright", "11.0.3", "/A/LW", "d",
                             "i", "d", "Web", store, "1", "0", "h", "p", "g", "0"});
    answerLoad();
  }
  // The engine loads the installed extensions before it acts on them.
  void answerLoad() {
    if (count("externalLoadExtension") == 0) return;
    program("brioCallBack", {last("externalLoadExtension")[0], "0"});
  }
  std::string exitCode() const { return last("externalAppExit").at(1); }

  std::ostringstream out;
  std::ostringstream err;
  tamb::MainLoop loop;
  RecordingHost host;
  std::set<std::string> unknownCommands;
  CliMovie movie{{{"locales", "en_US,de_DE"}}, loop, {&out, &err, -1}};

 private:
  std::map<uint32_t, std::string> m_savedStrings;
};

TEST_F(CliMovieRun, AnswersTheHandShakeFromTheCommandLine) {
  ASSERT_FALSE(host.calls.empty());
  EXPECT_EQ(host.calls[0].name, "brioCallBackReady");
  const std::string line = "list\n--locale\nde_DE\n-CurrDir=\"/w\"";
  program("brioParseSuppress", {"-1", line, "1", "1"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-1", "0"}));
  program("brioGetLocaleList", {"-2"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-2", "0", "en_US,de_DE"}));
  program("brioParseLocale", {"-3", line, "1", "1"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-3", "0", "de_DE"}));
  program("brioNotifyReady", {"-5"});
  EXPECT_EQ(count("brioCommandLineRequestReady"), 1u);

  // An interactive line is no suppress run; a bad one is.
  program("brioParseSuppress", {"-7", "list\n-i\n-CurrDir=\"/\"", "1", "1"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-7", "1"}));
  program("brioParseSuppress", {"-8", "-i\n--nope\n-CurrDir=\"/\"", "1", "1"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-8", "0"}));
  program("brioParseLocale", {"-9", "list", "1", "1"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-9", "1"}));
}

TEST_F(CliMovieRun, ParsesXmlFilesForTheProgram) {
  TempDir dir;
  const std::string file = dir.path() + "/VornConfig.xml";
  std::ofstream(file) << "<Configuration><VariableForPlexo><Data key=\"a#b\">1&amp;2</Data>"
                         "</VariableForPlexo></Configuration>";
  program("brioParseXML", {"-4", file, "Configuration.VariableForPlexo.Data"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-4", "0", "a#b", "1&2"}));
  program("brioParseXML", {"-5", file, "Configuration.Nothing.Data"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-5", "1"}));
  program("brioParseXML", {"-6", dir.path() + "/missing.xml", "A.B"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{"-6", "2"}));
}

TEST_F(CliMovieRun, InstallsAndAnswersQuestionsFromOptions) {
  startWith("install\nx.kxp\n--overwrite\nskip\n--folder\nbrushes=/B\n-CurrDir=\"/w\"");
  answerProducts();
  const auto install = last("externalInstallExtension");
  ASSERT_EQ(install.size(), 4u);
  EXPECT_EQ(install[1], "");
  EXPECT_EQ(install[2], "/w/x.kxp");
  EXPECT_EQ(install[3], "30");
  const std::string id = install[0];

  struct Case {
    const char* what;
    std::vector<std::string> question;
    std::vector<std::string> answer;
  } cases[] = {
      {"supported", {"5", "Loomwright 11", "loomwright", "10", "", "0", "0", "0"}, {"0"}},
      {"not supported", {"5", "Loomwright 11", "Emberly", "", "", "0", "0", "0"}, {"1"}},
      {"unknown product", {"5", "Lumen 9", "Lumen", "", "", "0", "0", "0"}, {"1"}},
      {"existing file", {"8", "8", "/A/LW/x exists."}, {"7"}},
      {"upgrade", {"8", "4", "An older version of X is installed. Replace it?"}, {"6"}},
      {"same version",
       {"8", "4", "This version of X is already installed. Install it again?"},
       {"6"}},
      {"downgrade",
       {"8", "4", "A newer version of X is installed. Replace it with this older version?"},
       {"7"}},
      {"running host", {"8", "258", "Quit Loomwright?"}, {"2"}},
      {"retry", {"8", "5", "Busy."}, {"2"}},
      {"token folder", {"6", "Choose the folder for brushes.", "/elsewhere"}, {"0", "/B"}},
      {"default inside the host",
       {"6", "Choose the folder for other.", "/A/LW/Other"},
       {"0", "/A/LW/Other"}},
      {"default outside", {"6", "Choose the folder for other.", "/etc"}, {"1"}},
      {"no folder: don't ask again", {"8", "4", "No folder was chosen. Choose one now?"}, {"7"}},
      {"locale", {"10", "Loomwright 11", "X", "de_DE", "en_US"}, {"0", "en_US"}},
      {"no licence text", {"7", "Licence of X", ""}, {"0"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{id};
    args.insert(args.end(), c.question.begin(), c.question.end());
    program("brioCallBack", args);
    std::vector<std::string> expected{id};
    expected.insert(expected.end(), c.answer.begin(), c.answer.end());
    EXPECT_EQ(last("externalCallBack"), expected) << c.what;
  }
  EXPECT_NE(err.str().find("--folder other=FOLDER"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("--force answers yes"), std::string::npos);

  EXPECT_NE(out.str().find("Installing the en_US files of X"), std::string::npos);
  // What the program shows as an error it wrote on standard error itself;
  // its plain notices go to standard output.
  out.str("");
  err.str("");
  program("brioCallBack", {id, "8", "0", "Broken. The extension was not installed."});
  program("brioCallBack", {id, "8", "0", "Restart Loomwright to finish enabling the extension."});
  EXPECT_EQ(out.str(), "Restart Loomwright to finish enabling the extension.\n");
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(count("externalAppExit"), 0u);

  program("brioCallBack", {id, "0", "Loomwright 11", "x.kxi"});
  EXPECT_NE(out.str().find("Installed x.kxi for Loomwright 11."), std::string::npos);
  EXPECT_EQ(exitCode(), "0");
}

TEST_F(CliMovieRun, ForcedRunsSayYesAndFailedInstallsEndWithOne) {
  startWith("install\n/x.kxp\n--force\n--overwrite=all\n--product\nLoomwright 11\n-CurrDir=\"/\"");
  answerProducts();
  const auto install = last("externalInstallExtension");
  EXPECT_EQ(install[1], "Loomwright 11");
  const std::string id = install[0];
  program("brioCallBack",
          {id, "8", "4", "A newer version of X is installed. Replace it with this older version?"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{id, "6"}));
  program("brioCallBack", {id, "8", "8", "x exists."});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{id, "10"}));
  // Another product than the one named is not wanted.
  program("brioCallBack", {id, "3", "Emberly 11"});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{id, "7"}));
  program("brioCallBack", {id, "2"});
  EXPECT_EQ(exitCode(), "1");
  EXPECT_NE(err.str().find("/x.kxp: the extension was not installed"), std::string::npos);
}

TEST_F(CliMovieRun, BadLinesHelpAndUnknownNames) {
  startWith("install\n-CurrDir=\"/\"");
  EXPECT_EQ(exitCode(), "2");
  EXPECT_NE(err.str().find("install needs an argument"), std::string::npos);
  EXPECT_EQ(count("externalInstallExtension"), 0u);
}

TEST_F(CliMovieRun, NamesAProductThatIsNotThere) {
  startWith("list\n--product\nLumen 9\n-CurrDir=\"/\"");
  answerProducts();
  EXPECT_EQ(exitCode(), "1");
  EXPECT_NE(err.str().find("no host product is called \"Lumen 9\""), std::string::npos);
}

TEST_F(CliMovieRun, HelpAndNoCommandLine) {
  startWith("--help\n-CurrDir=\"/\"");
  EXPECT_NE(out.str().find("Usage: Plexar"), std::string::npos);
  EXPECT_EQ(exitCode(), "0");
}

TEST_F(CliMovieRun, WithoutACommandLineItShowsTheUsage) {
  program("brioGetLocaleList", {"-1"});
  program("brioNotifyReady", {"-2"});
  program("brioEnableUI", {"-3"});
  EXPECT_NE(out.str().find("Usage: Plexar"), std::string::npos);
  EXPECT_EQ(exitCode(), "0");
}

TEST_F(CliMovieRun, ACallNoCommandTakesIsRefusedNotAwaited) {
  unknownCommands.insert("externalInstallExtension");
  startWith("install\n/x.kxp\n-CurrDir=\"/\"");
  answerProducts();
  EXPECT_EQ(count("externalInstallExtension"), 0u);
  EXPECT_EQ(exitCode(), "1");
}

TEST_F(CliMovieRun, ForwardedLinesRunAfterTheCurrentOne) {
  TempDir dir;
  const std::string store = dir.path();
  std::ofstream(store + "/x.kxi") << "<quillory-extension name=\"X\" version=\"1.0\">";
  startWith("remove\nX\n-CurrDir=\"/\"");
  const std::string id = last("externalGetSupportedProducts")[0];
  // A second process hands over its line while the first one runs.
  program("brioHandleCommandLine", {"-9", "list\n-CurrDir=\"/\"", "0", "1"});
  program("brioCallBack", {id, "0", "0", "Loomwright 11", "Loomwright", "11.0.3", "/A/LW", "d", "i",
                           "d", "Web", store, "1", "0", "h", "p", "g", "0"});
  // The engine knows what is installed only once it has loaded it.
  EXPECT_EQ(count("externalRemoveExtension"), 0u);
  ASSERT_EQ(count("externalLoadExtension"), 1u);
  answerLoad();
  const auto remove = last("externalRemoveExtension");
  EXPECT_EQ(remove,
            (std::vector<std::string>{remove[0], "Loomwright 11", "", "x.kxi", "1.0", "30"}));
  EXPECT_EQ(count("externalAppExit"), 0u);
  program("brioCallBack", {remove[0], "2"});
  EXPECT_NE(err.str().find("failed"), std::string::npos);
  // The forwarded list ran and the first failure stays the exit code.
  EXPECT_NE(out.str().find("Loomwright 11\tX\t1.0\tx.kxi"), std::string::npos) << out.str();
  EXPECT_EQ(exitCode(), "1");
}

TEST_F(CliMovieRun, ALicenceIsAcceptedOnlyWithTheOption) {
  TempDir dir;
  platform::PlatformConfig config = platform::PlatformConfig::current();
  config.userAppData = dir.path();
  const platform::PlatformConfig::Override use(config);
  std::filesystem::create_directories(dir.path() + "/Vesko/Plexar WB5");
  // Where the program writes the agreement of the extension it installs.
  std::ofstream(dir.path() + "/Vesko/Plexar WB5/licenseFile.txt") << "Use it kindly.\n";

  startWith("install\n/x.kxp\n-CurrDir=\"/\"");
  answerProducts();
  const std::string id = last("externalInstallExtension")[0];
  program("brioCallBack", {id, "7", "Licence of X", ""});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{id, "1"}));
  EXPECT_NE(err.str().find("--accept-license"), std::string::npos) << err.str();
  // A second line, forwarded meanwhile, accepts it.
  program("brioHandleCommandLine",
          {"-9", "install\n/x.kxp\n--accept-license\n-CurrDir=\"/\"", "0", "1"});
  program("brioCallBack", {id, "2"});
  const std::string second = last("externalInstallExtension")[0];
  ASSERT_NE(second, id);
  program("brioCallBack", {second, "7", "Licence of X", ""});
  EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{second, "0"}));
}

}  // namespace

namespace {

// A description of the Tools extension in that version.
std::string tools(const std::string& version, const std::string& name = "Tools",
                  const std::string& id = "com.x.tools") {
  return "<?xml version=\"1.0\"?>\n<quillory-extension name=\"" + name + "\" version=\"" + version +
         "\" id=\"" + id + "\">\n</quillory-extension>\n";
}

TEST_F(CliMovieRun, AnUpdateOfTheSameExtensionIsAnsweredAsTheUpdateItIs) {
  TempDir dir;
  const std::string store = dir.path() + "/store";
  std::filesystem::create_directories(store);
  std::ofstream(store + "/Tools.kxi") << tools("1.0.0");
  struct Case {
    const char* what;
    std::string description;  // what the package holds
    std::string options;
    std::string answer;
    std::string said;  // a part of what the movie says, on either stream
  } cases[] = {
      {"newer", tools("1.0.1"), "", "6", "Updating Tools from 1.0.0 to 1.0.1."},
      {"the same", tools("1.0.0"), "", "6", "Installing Tools 1.0.0 again."},
      {"older", tools("0.9"), "", "7", "Tools 1.0.0 is installed, newer than this 0.9"},
      {"older, forced", tools("0.9"), "--force\n", "6", "with the older 0.9"},
      {"another extension", tools("2.0", "Tools", "org.other"), "", "7", "--force answers yes"},
      {"another extension, forced", tools("2.0", "Tools", "org.other"), "--force\n", "6", ""},
  };
  // One line each, handed over together: they run one after the other.
  int run = 0;
  for (const Case& c : cases) {
    // A bare description is installed as it is: the movie reads it directly.
    const std::string file = dir.path() + "/" + std::to_string(++run) + "/Tools.kxi";
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file) << c.description;
    program("brioHandleCommandLine",
            {"-9", "install\n" + file + "\n" + c.options + "-CurrDir=\"/\"", "0", "1"});
  }
  answerProducts(store);
  std::set<std::string> ids;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    out.str("");
    err.str("");
    const std::string id = last("externalInstallExtension")[0];
    ASSERT_TRUE(ids.insert(id).second);
    // The program's question for an enabled copy under the same file.
    program("brioCallBack", {id, "8", "4",
                             std::string(kSameStoreFile) +
                                 " Install Tools in place of Tools? (package: Tools.kxi)"});
    EXPECT_EQ(last("externalCallBack"), (std::vector<std::string>{id, c.answer}));
    EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos) << out.str() << err.str();
    program("brioCallBack", {id, "2"});
  }
}

TEST_F(CliMovieRun, AFolderIsNoPackage) {
  TempDir dir;
  startWith("install\n" + dir.path() + "\n-CurrDir=\"/\"");
  answerProducts();
  EXPECT_EQ(count("externalInstallExtension"), 0u);
  EXPECT_EQ(exitCode(), "1");
  EXPECT_NE(err.str().find(dir.path() + " is a folder, not a package"), std::string::npos)
      << err.str();
}

TEST_F(CliMovieRun, AFolderTheProgramDidNotTakeEndsWithOneAndTheReason) {
  TempDir dir;
  startWith("import\n" + dir.path() + "\n-CurrDir=\"/\"");
  const std::string id = last("externalImportProduct")[0];
  program("brioCallBack", {id, "1"});
  EXPECT_EQ(exitCode(), "1");
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find(dir.path() + ": not imported: it holds no host"), std::string::npos)
      << err.str();

  EXPECT_EQ(CliMovie::importRefusal(dir.path() + "/none"), "there is no such folder");
  std::ofstream(dir.path() + "/file") << "x";
  EXPECT_EQ(CliMovie::importRefusal(dir.path() + "/file"), "it is not a folder");
}

}  // namespace
