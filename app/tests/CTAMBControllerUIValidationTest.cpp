// The signature check as the UI adapter runs it: the real Nimbrel, laid
// out inside a program bundle of the test's own with a trust store of the
// test's own, on packages signed at test time.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/CTAMBControllerUI.h"
#include "app/tests/MovieTestSupport.h"
#include "foundation/AppGlobals.h"
#include "foundation/Logger.h"
#include "platform/os/Clock.h"
#include "testsupport/TempDir.h"
#include "testsupport/signing/SignedPackageBuilder.h"
#include "testsupport/signing/TestCertificate.h"

namespace {

namespace fs = std::filesystem;
using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::ScriptedCommand;
using movietest::Sent;
using testsupport::SignedPackageBuilder;
using testsupport::TestCertificate;
using Texts = std::vector<std::string>;

std::ostringstream* g_log = nullptr;
Logger* logToString() {
  auto stream = std::make_unique<std::ostringstream>();
  g_log = stream.get();
  return new Logger(std::move(stream));
}

// One PKI for the suite: a root the trust store holds and a signer below
// it, a root it does not hold with its signer, a self-signed signer and an
// expired one.
struct Pki {
  Pki()
      : root(TestCertificate::selfSigned({"Test Root", "Vesko Roots", true, -10, 3650, true})),
        signer(TestCertificate::issuedBy(root, {"Signer", "Vesko Test", false, -1, 365, true})),
        expired(
            TestCertificate::issuedBy(root, {"Old Signer", "Vesko Test", false, -30, -1, true})),
        otherRoot(TestCertificate::selfSigned({"Other Root", "", true, -10, 3650, true})),
        stranger(
            TestCertificate::issuedBy(otherRoot, {"Stranger", "Elsewhere", false, -1, 365, true})),
        loner(TestCertificate::selfSigned({"Lone Signer", "Loners", false, -1, 365, true})) {}

  TestCertificate root;
  TestCertificate signer;
  TestCertificate expired;
  TestCertificate otherRoot;
  TestCertificate stranger;
  TestCertificate loner;
};

class Validation : public MovieTest {
 protected:
  // One program bundle for the suite, with Nimbrel inside its executable
  // folder and the suite's root in its trust store.
  static void SetUpTestSuite() {
    pki = new Pki;
    bundle = new TempDir;
    contents = *bundle / "Plexar.app/Contents";
    fs::create_directories(contents + "/Resources");
    nimbrelFolder = contents + "/MacOS/Nimbrel.app/Contents/MacOS";
    fs::create_directories(nimbrelFolder + "/TrustStore");
    std::error_code error;
    fs::create_hard_link(PLEXAR_NIMBREL, nimbrelFolder + "/Nimbrel", error);
    if (error) fs::copy_file(PLEXAR_NIMBREL, nimbrelFolder + "/Nimbrel");
    TempDir::write(nimbrelFolder + "/TrustStore/roots.pem", pki->root.pem());
  }
  static void TearDownTestSuite() {
    delete bundle;
    bundle = nullptr;
    delete pki;
    pki = nullptr;
  }

  void SetUp() override {
    MovieTest::SetUp();
    engine.SetUI(&ui);
    cmd.setRequestId("m1");
    component("component=validation\n");
    m_savedAppPath = gAppPath;
    // As the program holds it once its strings are loaded.
    gAppPath = contents + "/Resources";
    Logger::resetForTest(logToString);
  }
  void TearDown() override {
    Logger::finalize();
    Logger::resetForTest(nullptr);
    g_log = nullptr;
    gAppPath = m_savedAppPath;
    MovieTest::TearDown();
  }

  static void component(const std::string& text) {
    TempDir::write(nimbrelFolder + "/Component.ulp", text);
  }
  // A component that answers with these texts, one line each.
  static void answer(const Texts& texts) {
    std::string text = "component=script\n";
    for (const std::string& t : texts) text += "text=" + t + "\n";
    component(text);
  }
  std::string log() const { return g_log ? g_log->str() : std::string(); }

  std::string package(const SignedPackageBuilder& builder) {
    const std::string path = dir / ("p" + std::to_string(++m_count) + ".yxp");
    builder.writeZip(path);
    return path;
  }
  static SignedPackageBuilder content() {
    SignedPackageBuilder builder;
    builder.add("extension.kxi", "<quillory-extension/>")
        .add("content/tool.js", std::string(3000, 'j'), true);
    return builder;
  }

  // Runs the check as the running command; the texts it handed back.
  bool validate(const Texts& input, Texts& texts) {
    CZorbTypedVector<CString> in;
    for (const std::string& t : input)
      in.push_back(CString(std::u16string(t.begin(), t.end()).c_str()));
    CZorbTypedVector<CString> out;
    ui.setCurrentCommand(&cmd);
    const bool ok = ui.validation(in, out);
    ui.setCurrentCommand(nullptr);
    texts.clear();
    for (const CString& t : out) {
      const std::u16string wide(t.Get(), static_cast<size_t>(t.GetLength()));
      texts.emplace_back(wide.begin(), wide.end());
    }
    return ok;
  }

  static Pki* pki;
  static TempDir* bundle;
  static std::string contents;
  static std::string nimbrelFolder;
  TempDir dir;
  CTAMBControllerUI ui;
  ScriptedCommand cmd{"test", nullptr};
  RecordingSink sink;

 private:
  std::string m_savedAppPath;
  int m_count = 0;
};

Pki* Validation::pki = nullptr;
TempDir* Validation::bundle = nullptr;
std::string Validation::contents;
std::string Validation::nimbrelFolder;

const char kUntrusted[] = "My Ext: the signer's certificate does not lead to a trusted root.";

TEST_F(Validation, ATrustedPackageIsValidWithoutAQuestion) {
  const std::string path = package(content().signer(pki->signer));
  Texts texts;
  EXPECT_TRUE(validate({"0", "My Ext", path}, texts)) << log();
  EXPECT_EQ(texts, (Texts{"My Ext", "1", "Vesko Test", "trusted"}));
  EXPECT_TRUE(sink.sent().empty());
  EXPECT_NE(log().find("to request brio to validation:  0; My Ext; " + path + ";"),
            std::string::npos)
      << log();
}

TEST_F(Validation, AWarningIsAskedAboutAndTheAnswerDecides) {
  const std::string path = package(content().signer(pki->stranger));
  for (const char* reply : {"0", "1"}) {
    sink.clear();
    sink.answerWith({reply});
    Texts texts;
    const bool accepted = validate({"0", "My Ext", path}, texts);
    EXPECT_EQ(accepted, std::string(reply) == "0") << reply;
    EXPECT_EQ(texts, (Texts{"My Ext", "1", "Elsewhere", "untrusted"}));
    ASSERT_EQ(sink.sent().size(), 1u);
    EXPECT_EQ(sink.sent()[0].name, "brioCallBack");
    EXPECT_EQ(sink.sent()[0].args, (Texts{"m1", "102", kUntrusted}));
  }
  // An answer of another length declines.
  sink.clear();
  sink.answerWith({"0", "extra"});
  Texts texts;
  EXPECT_FALSE(validate({"0", "My Ext", path}, texts));
  EXPECT_NE(log().find("warning response is returned with wrong argument count"),
            std::string::npos);
}

TEST_F(Validation, InSuppressModeAWarningIsAcceptedWithoutAQuestion) {
  g_isInSuppressMode = true;
  const struct {
    SignedPackageBuilder builder;
    Texts texts;
  } cases[] = {
      {content().signer(pki->stranger), {"My Ext", "1", "Elsewhere", "untrusted"}},
      {content().signer(pki->loner), {"My Ext", "1", "Loners", "self-signed"}},
      {content().signer(pki->expired), {"My Ext", "1", "Vesko Test", "expired"}},
      {content(), {"My Ext", "0", "", "none"}},
  };
  for (const auto& c : cases) {
    Texts texts;
    EXPECT_TRUE(validate({"0", "My Ext", package(c.builder)}, texts)) << c.texts[3];
    EXPECT_EQ(texts, c.texts);
  }
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(Validation, AnUnsignedPackageAsksWhetherToGoOn) {
  sink.answerWith({"0"});
  Texts texts;
  EXPECT_TRUE(validate({"0", "My Ext", package(content())}, texts));
  EXPECT_EQ(texts, (Texts{"My Ext", "0", "", "none"}));
  ASSERT_EQ(sink.sent().size(), 1u);
  ASSERT_EQ(sink.sent()[0].args.size(), 3u);
  EXPECT_EQ(sink.sent()[0].args[1], "102");
  EXPECT_EQ(sink.sent()[0].args[2].rfind("My Ext: ", 0), 0u) << sink.sent()[0].args[2];
}

TEST_F(Validation, AnInvalidPackageIsRefusedWithItsReasonLogged) {
  const SignedPackageBuilder cases[] = {
      content().tamper("content/tool.js", "changed").signer(pki->signer),
      content().addUnsigned("extra.js", "x").signer(pki->signer),
      content().reference("../outside.txt", "x").signer(pki->signer),
  };
  for (const SignedPackageBuilder& builder : cases) {
    Texts texts;
    EXPECT_FALSE(validate({"0", "My Ext", package(builder)}, texts));
    EXPECT_TRUE(texts.empty());
  }
  EXPECT_TRUE(sink.sent().empty());
  EXPECT_NE(log().find("Signature validation failed."), std::string::npos) << log();
  EXPECT_NE(log().find("Signature validation: My Ext: "), std::string::npos) << log();
}

TEST_F(Validation, BundlesGiveFourTextsEach) {
  const std::string first = dir / "first";
  const std::string second = dir / "second";
  content().signer(pki->signer).writeFolder(first);
  content().signer(pki->signer).writeFolder(second);
  Texts texts;
  EXPECT_TRUE(validate({"1", "My Ext", "com.a", first, "com.b", second}, texts)) << log();
  EXPECT_EQ(texts,
            (Texts{"com.a", "1", "Vesko Test", "trusted", "com.b", "1", "Vesko Test", "trusted"}));
}

TEST_F(Validation, TheSuppressFlagComesFirst) {
  component("component=script\ndeliver=echo\n");
  for (bool suppress : {true, false}) {
    g_isInSuppressMode = suppress;
    Texts texts;
    const bool ok = validate({"0", "1", "a", "b", "c", "d"}, texts);
    // The echo's first line is the flag: "0" reads as valid.
    EXPECT_EQ(ok, suppress);
    EXPECT_EQ(texts, suppress ? (Texts{"a", "b", "c", "d"}) : Texts{});
  }
}

TEST_F(Validation, AnAnswerLargerThanAPipeBufferIsReadWhole) {
  // More than 64 KiB of signature texts, read while Nimbrel writes them:
  // the echo answers with the flag and the input.
  component("component=script\ndeliver=echo\n");
  g_isInSuppressMode = true;
  Texts signatures;
  for (int i = 0; i < 800; ++i) signatures.push_back(std::to_string(i) + std::string(100, 's'));
  Texts input{"0", "200"};
  input.insert(input.end(), signatures.begin(), signatures.end());
  Texts texts;
  EXPECT_TRUE(validate(input, texts)) << log().substr(0, 2000);
  EXPECT_EQ(texts, signatures);
}

// The name travels to Nimbrel on its standard input: one of 4 MiB is more
// than a command line may hold.
TEST_F(Validation, ANameLongerThanACommandLineReachesNimbrelWhole) {
  component("component=script\ndeliver=echo\n");
  g_isInSuppressMode = true;
  const std::string name(4u << 20, 'n');
  Texts texts;
  EXPECT_TRUE(validate({"0", "1", name, "b", "c", "d"}, texts)) << log().substr(0, 2000);
  EXPECT_TRUE(texts == (Texts{name, "b", "c", "d"})) << texts.size();
}

TEST_F(Validation, TheCountMustFitTheLines) {
  const struct {
    Texts lines;
    bool ok;
    size_t texts;
  } cases[] = {
      {{"0", "0", "1", "a", "b", "c", "d"}, true, 4},
      {{"0", "0", "1", "a", "b", "c", "d", "w"}, true, 4},
      {{"0", "0", "2", "a", "b", "c", "d"}, false, 0},
      {{"0", "0", "0", "a", "b", "c", "d"}, false, 0},
      {{"0", "0", "-1", "a", "b", "c", "d"}, false, 0},
      {{"0", "0", "99999999999999999999", "a", "b", "c", "d"}, false, 0},
      {{"0", "0", "x", "a", "b", "c", "d"}, false, 0},
      {{"0", "0", "1", "a", "b", "c"}, false, 0},
      {{"0", "0"}, false, 0},
      {{"1", "0", "1", "a", "b", "c", "d"}, false, 0},
      {{"00", "0", "1", "a", "b", "c", "d"}, false, 0},
  };
  for (const auto& c : cases) {
    answer(c.lines);
    Texts texts;
    EXPECT_EQ(validate({"0", "My Ext", "/p.yxp"}, texts), c.ok) << c.lines[2];
    EXPECT_EQ(texts.size(), c.texts) << c.lines[2];
  }
  EXPECT_TRUE(sink.sent().empty());
}

TEST_F(Validation, ALastLineWithoutALineFeedIsNotALine) {
  // A stand-in that prints what it is told, in a bundle of its own.
  const std::string other = dir / "Script.app/Contents";
  const std::string folder = other + "/MacOS/Nimbrel.app/Contents/MacOS";
  fs::create_directories(folder);
  gAppPath = other + "/MacOS/";
  for (const bool lineFeed : {false, true}) {
    const std::string nimbrel = folder + "/Nimbrel";
    fs::remove(nimbrel);
    TempDir::write(nimbrel, std::string("#!/bin/sh\nprintf '0\\n0\\n1\\na\\nb\\nc\\nd") +
                                (lineFeed ? "\\n" : "") + "'\n");
    fs::permissions(nimbrel, fs::perms::owner_all);
    Texts texts;
    EXPECT_EQ(validate({"0", "My Ext", "/p.yxp"}, texts), lineFeed);
    EXPECT_EQ(texts, lineFeed ? (Texts{"a", "b", "c", "d"}) : Texts{});
  }
  EXPECT_NE(log().find("less then 7."), std::string::npos) << log();
}

TEST_F(Validation, NimbrelsFailuresAreSeenAsItsExitStatus) {
  fs::remove(nimbrelFolder + "/Component.ulp");
  Texts texts;
  EXPECT_FALSE(validate({"0", "My Ext", "/p.yxp"}, texts));
  EXPECT_NE(log().find("Signature validation failed. Exit code = 252"), std::string::npos) << log();

  component("component=script\nmessage=Elsewhere\ntext=0\n");
  EXPECT_FALSE(validate({"0", "My Ext", "/p.yxp"}, texts));
  EXPECT_NE(log().find("Exit code = 251"), std::string::npos) << log();

  // An answer without texts prints nothing.
  component("component=script\n");
  EXPECT_FALSE(validate({"0", "My Ext", "/p.yxp"}, texts));
  EXPECT_NE(log().find("Signature validation returned null data."), std::string::npos);
  EXPECT_TRUE(texts.empty());
}

TEST_F(Validation, WithoutNimbrelNothingIsValid) {
  Texts texts;
  // Outside any bundle nothing is started.
  gAppPath = dir / "loose/";
  EXPECT_FALSE(validate({"0", "My Ext", "/p.yxp"}, texts));
  EXPECT_NE(log().find("lies in no bundle"), std::string::npos) << log();
  // A bundle without Nimbrel: the launch fails.
  gAppPath = dir / "Other.app/Contents/MacOS/";
  EXPECT_FALSE(validate({"0", "My Ext", "/p.yxp"}, texts));
  EXPECT_NE(log().find("Signature validation could not start " + dir.path() +
                       "/Other.app/Contents/MacOS/Nimbrel.app/Contents/MacOS/Nimbrel"),
            std::string::npos)
      << log();
  EXPECT_TRUE(texts.empty());
}

TEST_F(Validation, ANimbrelThatNeverAnswersIsStopped) {
  component("component=script\ndeliver=silent\n");
  platform::TestClock clock(1000);
  platform::ScopedClock scoped(clock);
  std::atomic<bool> done{false};
  // The clock moves only when told: move it until the check gives up.
  std::thread mover([&] {
    while (!done) {
      clock.advance(10000);
      std::this_thread::yield();
    }
  });
  Texts texts;
  const bool ok = validate({"0", "My Ext", "/p.yxp"}, texts);
  done = true;
  mover.join();
  EXPECT_FALSE(ok);
  EXPECT_GE(clock.nowMs(), 1000 + CTAMBControllerUI::kValidationTimeoutMs);
  EXPECT_NE(log().find("did not finish within 300 s"), std::string::npos) << log();
}

}  // namespace
