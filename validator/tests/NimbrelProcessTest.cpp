// Nimbrel as the program runs it: the laid-out executable in a child
// process, its answer on standard output and its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/Process.h"
#include "testsupport/TempDir.h"
#include "testsupport/signing/SignedPackageBuilder.h"
#include "testsupport/signing/TestCertificate.h"

namespace {

namespace fs = std::filesystem;
using testsupport::SignedPackageBuilder;
using testsupport::TestCertificate;
using namespace std::string_literals;

// A child that runs longer than this has hung.
constexpr uint32_t kBoundMs = 60000;

// The request's texts go on standard input, each ended by a zero byte.
std::string framed(const std::vector<std::string>& texts) {
  std::string bytes;
  for (const std::string& text : texts) {
    bytes += text;
    bytes += '\0';
  }
  return bytes;
}

platform::SpawnResult runNimbrelWith(const std::string& executable, const std::string& input,
                                     const std::vector<std::string>& arguments = {}) {
  platform::SpawnOptions options;
  options.arguments = {executable};
  options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
  options.input = input;
  options.timeoutMs = kBoundMs;
  options.maxOutputBytes = 64u << 20;
  return platform::runProcess(options);
}

platform::SpawnResult runNimbrel(const std::string& executable,
                                 const std::vector<std::string>& request) {
  return runNimbrelWith(executable, framed(request));
}

std::vector<std::string> lines(const std::string& output) {
  std::vector<std::string> found;
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
    found.push_back(output.substr(start, end - start));
  return found;
}

// The program lays Nimbrel out inside its own bundle, with its component
// file and its trust store beside it.
TEST(NimbrelProcess, TheLaidOutValidatorAnswersForARealPackage) {
  const fs::path nimbrel(PLEXAR_NIMBREL);
  EXPECT_EQ(
      nimbrel.parent_path().string(),
      std::string(PLEXAR_BINARY_DIR) + "/Plexar.app/Contents/MacOS/Nimbrel.app/Contents/MacOS");
  ASSERT_TRUE(fs::exists(nimbrel.parent_path() / "Component.ulp"));
  ASSERT_TRUE(fs::is_directory(nimbrel.parent_path() / "TrustStore"));

  TempDir dir;
  const TestCertificate root =
      TestCertificate::selfSigned({"Root", "Roots", true, -10, 3650, true});
  const TestCertificate signer =
      TestCertificate::issuedBy(root, {"Signer", "Vesko Test", false, -1, 365, true});
  const std::string signedPath = dir / "signed.yxp";
  SignedPackageBuilder().add("extension.kxi", "<x/>").signer(signer).writeZip(signedPath);

  // The shipped trust store does not hold the test root.
  platform::SpawnResult result = runNimbrel(PLEXAR_NIMBREL, {"1", "0", "My Ext", signedPath});
  ASSERT_EQ(result.startError, 0);
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_EQ(lines(result.output),
            (std::vector<std::string>{"0", "1", "1", "My Ext", "1", "Vesko Test", "untrusted",
                                      "My Ext: the signer's certificate does not lead to a "
                                      "trusted root."}));
}

class NimbrelCopyTest : public ::testing::Test {
 protected:
  // One copy of the executable for the suite, in a folder of its own.
  static void SetUpTestSuite() {
    folder = new TempDir;
    executable = *folder / "Nimbrel";
    std::error_code error;
    fs::create_hard_link(PLEXAR_NIMBREL, executable, error);
    if (error) fs::copy_file(PLEXAR_NIMBREL, executable);
  }
  static void TearDownTestSuite() {
    delete folder;
    folder = nullptr;
  }
  void component(const std::string& text) { TempDir::write(*folder / "Component.ulp", text); }

  static TempDir* folder;
  static std::string executable;
};

TempDir* NimbrelCopyTest::folder = nullptr;
std::string NimbrelCopyTest::executable;

TEST_F(NimbrelCopyTest, TheParentSeesTheFailureStatuses) {
  fs::remove(*folder / "Component.ulp");
  platform::SpawnResult result = runNimbrel(executable, {"1", "0", "Ext", "/p.yxp"});
  EXPECT_EQ(result.exitCode, 252);
  EXPECT_EQ(result.output, "");
  EXPECT_NE(result.errorOutput.find("UlpPlayerLoadComponent returns error code"),
            std::string::npos);

  component("component=script\nmessage=Elsewhere\ntext=0\n");
  result = runNimbrel(executable, {"1", "0", "Ext", "/p.yxp"});
  EXPECT_EQ(result.exitCode, 251);
  EXPECT_EQ(result.output, "");
}

TEST_F(NimbrelCopyTest, AnAnswerLargerThanAPipeBufferArrivesWhole) {
  component("component=script\ndeliver=echo\n");
  const std::vector<std::string> arguments(1000, std::string(120, 'w'));
  const platform::SpawnResult result = runNimbrel(executable, arguments);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_GT(result.output.size(), 64u * 1024);
  EXPECT_EQ(lines(result.output), arguments);
}

// One text larger than a command line may hold (an argument of more than
// 128 KiB is refused by the system whatever the limits).
TEST_F(NimbrelCopyTest, ARequestLongerThanACommandLineIsAnswered) {
  component("component=script\ndeliver=echo\n");
  const std::vector<std::string> request{"1", "0", std::string(4u << 20, 'n'), "/p.yxp"};
  const platform::SpawnResult result = runNimbrel(executable, request);
  EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
  EXPECT_TRUE(lines(result.output) == request) << result.output.size();
}

TEST_F(NimbrelCopyTest, ARequestThatCannotBeReadEndsWithItsReason) {
  component("component=script\ndeliver=echo\n");
  const struct {
    const char* what;
    std::string input;
    std::vector<std::string> arguments;
    std::string reason;
  } cases[] = {
      {"a request that breaks off",
       "1\0"
       "0\0My"s,
       {},
       "Nimbrel: the validation request breaks off\n"},
      {"a request on the command line",
       "",
       {"1", "0", "My Ext", "/p.yxp"},
       "Nimbrel: the request is read from standard input; arguments are not taken\n"},
      {"a request larger than the limit",
       std::string((64u << 20) + 1, 'n'),
       {},
       "Nimbrel: the validation request is larger than 64 MB\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const platform::SpawnResult result = runNimbrelWith(executable, c.input, c.arguments);
    EXPECT_EQ(result.exitCode, 250);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errorOutput, c.reason);
  }
}

}  // namespace
