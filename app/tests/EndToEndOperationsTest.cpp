// The program's main job from a shell, on a fake machine: make a package,
// install it, list, disable, enable and remove it, with host folders given
// back byte for byte; and packages signed, tampered with and unsigned.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/tests/EndToEndMachine.h"
#include "app/tests/EndToEndTerminal.h"
#include "testsupport/TreeSnapshot.h"
#include "testsupport/signing/SignedPackageBuilder.h"
#include "testsupport/signing/TestCertificate.h"

namespace {

namespace fs = std::filesystem;

const char* const kCalls[] = {"externalPackageExtension", "externalInstallExtension",
                              "externalDisableExtension", "externalEnableExtension",
                              "externalRemoveExtension"};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

std::string sample(const std::string& relative) {
  return readFile(std::string(PLEXAR_TESTDATA_DIR) + "/sample/extension/" + relative);
}

class EndToEndOperations : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* call : kCalls)
      if (!endtoend::Machine::hasCommand(call))
        GTEST_SKIP() << "this build has no command behind " << call;
    machine = std::make_unique<endtoend::Machine>();
    // The first run sets up the program's own folders and the stores.
    const platform::SpawnResult first = machine->run({"list"});
    ASSERT_EQ(first.exitCode, 0) << first.errorOutput;
  }

  // What the install may touch: the web host's application folder and its
  // folder of the user's.
  std::vector<testsupport::TreeSnapshot> hostTrees() const {
    return {testsupport::TreeSnapshot::take(machine->posix("Applications/Vesko Loomwright Marlin")),
            testsupport::TreeSnapshot::take(userFolder())};
  }
  std::string userFolder() const {
    return machine->posix(machine->machine().homeRelative() +
                          "/Library/Application Support/Vesko/Loomwright Marlin A0");
  }
  std::string commandFile() const { return userFolder() + "/en_US/Commands/SampleTools.htm"; }
  bool menusHaveTheItem() const {
    return contains(readFile(userFolder() + "/en_US/Configuration/Menus/Menus.xml"),
                    "Sample_Tools_Item") ||
           contains(readFile(machine->posix(
                        "Applications/Vesko Loomwright Marlin/Configuration/Menus/Menus.xml")),
                    "Sample_Tools_Item");
  }
  platform::SpawnResult run(const std::vector<std::string>& arguments) const {
    return machine->run(arguments);
  }

  // Installs SampleTools.yxp from the work folder and checks that the host
  // has it and the list names it.
  void InstallTheSample() const {
    platform::SpawnResult installed = run({"install", "SampleTools.yxp"});
    ASSERT_EQ(installed.exitCode, 0) << installed.output << installed.errorOutput;
    EXPECT_TRUE(contains(installed.output, "Installed SampleTools.kxi for Loomwright WB5."))
        << installed.output;
    EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
    EXPECT_TRUE(menusHaveTheItem());

    platform::SpawnResult list = run({"list"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.output, "Loomwright WB5\tSample Tools\t1.0.0\tSampleTools.kxi\n");
  }

  // Removes it with these arguments: every host file comes back byte for
  // byte, nothing stays beside them, and nothing is left to remove.
  void RemoveAndCompare(const std::vector<std::string>& arguments,
                        const std::vector<testsupport::TreeSnapshot>& before) const {
    platform::SpawnResult removed = run(arguments);
    ASSERT_EQ(removed.exitCode, 0) << removed.errorOutput;
    EXPECT_EQ(run({"list"}).output, "No extensions installed.\n");
    const auto after = hostTrees();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
      EXPECT_TRUE(before[i] == after[i])
          << "host folder " << i << ": " << testsupport::sameTree(before[i], after[i]);
    EXPECT_EQ(run({"remove", "Sample Tools"}).exitCode, 1);
  }

  std::unique_ptr<endtoend::Machine> machine;
};

TEST_F(EndToEndOperations, InstallListAndRemoveGiveTheHostsBackByteForByte) {
  const auto before = hostTrees();
  testsupport::SignedPackageBuilder()
      .add("SampleTools.kxi", sample("SampleTools.kxi"))
      .add("Commands/SampleTools.htm", sample("Commands/SampleTools.htm"))
      .writeZip(machine->work() + "/SampleTools.yxp");

  ASSERT_NO_FATAL_FAILURE(InstallTheSample());

  RemoveAndCompare({"remove", "sampletools.kxi"}, before);
}

TEST_F(EndToEndOperations, PackageInstallListDisableEnableAndRemove) {
  const auto before = hostTrees();
  const std::string package = machine->work() + "/SampleTools.yxp";

  // Packaging may save the description in place: a copy of the sample's.
  fs::copy(std::string(PLEXAR_TESTDATA_DIR) + "/sample/extension", machine->work() + "/extension",
           fs::copy_options::recursive);
  platform::SpawnResult made = run({"package", "extension/SampleTools.kxi", "SampleTools.yxp"});
  ASSERT_EQ(made.exitCode, 0) << made.errorOutput;
  ASSERT_TRUE(fs::is_regular_file(package));
  EXPECT_TRUE(hostTrees() == before) << "making a package touches no host";

  ASSERT_NO_FATAL_FAILURE(InstallTheSample());

  platform::SpawnResult disabled = run({"disable", "Sample Tools"});
  ASSERT_EQ(disabled.exitCode, 0) << disabled.errorOutput;
  EXPECT_FALSE(fs::exists(commandFile()));
  EXPECT_FALSE(menusHaveTheItem());
  // Still installed, by its description file's name too.
  EXPECT_TRUE(contains(run({"list"}).output, "SampleTools.kxi"));

  platform::SpawnResult enabled = run({"enable", "sampletools.kxi"});
  ASSERT_EQ(enabled.exitCode, 0) << enabled.errorOutput;
  EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
  EXPECT_TRUE(menusHaveTheItem());

  RemoveAndCompare({"remove", "Sample Tools", "--product", "Loomwright WB5"}, before);
}

// Zip entries keep times in two-second steps, rounded up: files packaged
// in the same second as the package come out dated after the kept package.
// Nobody touched them, so disabling and enabling asks nothing.
TEST_F(EndToEndOperations, FilesDatedAfterTheirPackageAreNotChangedFiles) {
  fs::copy(std::string(PLEXAR_TESTDATA_DIR) + "/sample/extension", machine->work() + "/extension",
           fs::copy_options::recursive);
  const auto ahead = fs::file_time_type::clock::now() + std::chrono::seconds(3);
  for (const auto& item : fs::recursive_directory_iterator(machine->work() + "/extension"))
    if (item.is_regular_file()) fs::last_write_time(item.path(), ahead);
  platform::SpawnResult made = run({"package", "extension/SampleTools.kxi", "SampleTools.yxp"});
  ASSERT_EQ(made.exitCode, 0) << made.errorOutput;
  ASSERT_NO_FATAL_FAILURE(InstallTheSample());

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    platform::SpawnResult disabled = run({"disable", "Sample Tools"});
    EXPECT_EQ(disabled.exitCode, 0) << disabled.errorOutput;
    EXPECT_FALSE(contains(disabled.errorOutput, "answered")) << disabled.errorOutput;
    EXPECT_FALSE(fs::exists(commandFile()));
    platform::SpawnResult enabled = run({"enable", "Sample Tools"});
    EXPECT_EQ(enabled.exitCode, 0) << enabled.errorOutput;
    EXPECT_FALSE(contains(enabled.errorOutput, "newer")) << enabled.errorOutput;
    EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
  }
}

TEST_F(EndToEndOperations, SignedTamperedAndUnsignedPackages) {
  testsupport::TestCertificate::Options authority;
  authority.commonName = "Sample Root";
  authority.isCA = true;
  const auto root = testsupport::TestCertificate::selfSigned(authority);
  const auto signer = testsupport::TestCertificate::issuedBy(root, {});
  // Nimbrel trusts what its trust store holds (a file of the machine's own
  // copy of the program).
  const fs::path trust = fs::path(machine->program()).parent_path() /
                         "Nimbrel.app/Contents/MacOS/TrustStore/sample-root.pem";
  fs::remove(trust);
  std::ofstream(trust) << root.pem();

  auto build = [&](testsupport::SignedPackageBuilder builder) {
    return builder.add("SampleTools.kxi", sample("SampleTools.kxi"))
        .add("Commands/SampleTools.htm", sample("Commands/SampleTools.htm"));
  };
  const auto before = hostTrees();

  // Tampered with after signing: refused, and nothing changes.
  build(testsupport::SignedPackageBuilder())
      .signer(signer)
      .tamper("Commands/SampleTools.htm", "<p>not what was signed</p>")
      .writeZip(machine->work() + "/tampered.yxp");
  platform::SpawnResult tampered = run({"install", "tampered.yxp"});
  EXPECT_EQ(tampered.exitCode, 1) << tampered.output;
  EXPECT_TRUE(contains(tampered.errorOutput, "not installed")) << tampered.errorOutput;
  EXPECT_TRUE(hostTrees() == before);

  // Signed by a trusted signer: installed.
  build(testsupport::SignedPackageBuilder())
      .signer(signer)
      .writeZip(machine->work() + "/signed.yxp");
  platform::SpawnResult signedRun = run({"install", "signed.yxp"});
  EXPECT_EQ(signedRun.exitCode, 0) << signedRun.errorOutput;
  EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
  ASSERT_EQ(run({"remove", "Sample Tools"}).exitCode, 0);

  // Unsigned: installed, with a warning.
  build(testsupport::SignedPackageBuilder()).writeZip(machine->work() + "/unsigned.yxp");
  platform::SpawnResult unsignedRun = run({"install", "unsigned.yxp"});
  EXPECT_EQ(unsignedRun.exitCode, 0) << unsignedRun.errorOutput;
  EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
}

TEST_F(EndToEndOperations, ALicenceMustBeAcceptedBeforeTheInstall) {
  std::string description = sample("SampleTools.kxi");
  const std::string anchor = "\t<files>";
  ASSERT_NE(description.find(anchor), std::string::npos);
  description.insert(description.find(anchor),
                     "\t<license-agreement><![CDATA[Use it kindly.]]></license-agreement>\n");
  testsupport::SignedPackageBuilder()
      .add("SampleTools.kxi", description)
      .add("Commands/SampleTools.htm", sample("Commands/SampleTools.htm"))
      .writeZip(machine->work() + "/Licensed.yxp");
  const auto before = hostTrees();

  platform::SpawnResult refused = run({"install", "Licensed.yxp"});
  EXPECT_EQ(refused.exitCode, 1) << refused.output;
  EXPECT_TRUE(contains(refused.errorOutput, "--accept-license")) << refused.errorOutput;
  EXPECT_TRUE(hostTrees() == before);
  EXPECT_EQ(run({"list"}).output, "No extensions installed.\n");

  platform::SpawnResult accepted = run({"install", "Licensed.yxp", "--accept-license"});
  ASSERT_EQ(accepted.exitCode, 0) << accepted.output << accepted.errorOutput;
  EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
}

TEST_F(EndToEndOperations, ASecondProcessHandsItsLineToTheFirstWhichRunsItNext) {
  testsupport::SignedPackageBuilder()
      .add("SampleTools.kxi", sample("SampleTools.kxi"))
      .add("Commands/SampleTools.htm", sample("Commands/SampleTools.htm"))
      .writeZip(machine->work() + "/SampleTools.yxp");
  // A file of that name is there already, so the install asks about it.
  fs::create_directories(fs::path(commandFile()).parent_path());
  std::ofstream(commandFile()) << "older";

  endtoend::Terminal first(machine->program(), {"-i", "install", "SampleTools.yxp"},
                           machine->work());
  ASSERT_TRUE(first.started());
  // An unsigned package: the person is asked whether to go on.
  ASSERT_TRUE(first.waitFor("Install it anyway? [y/N]")) << first.output();

  // While the first one waits for its person, a second one starts.
  platform::SpawnResult second = run({"list"});
  EXPECT_EQ(second.exitCode, 7) << second.errorOutput;
  EXPECT_EQ(second.output, "");

  first.type("y");
  ASSERT_TRUE(first.waitFor("[o]verwrite")) << first.output();
  first.type("o");
  ASSERT_TRUE(first.waitFor("Loomwright WB5\tSample Tools\t1.0.0\tSampleTools.kxi"))
      << first.output();
  EXPECT_EQ(first.wait(), 0);
  EXPECT_TRUE(contains(first.output(), "Installed SampleTools.kxi for Loomwright WB5."));
  EXPECT_EQ(readFile(commandFile()), sample("Commands/SampleTools.htm"));
}

TEST(EndToEndPackaging, MakesPackagesAndConvertsDescriptions) {
  for (const char* call : {"externalPackageExtension", "externalConvertKxiFileToKxiBrioFile"})
    if (!endtoend::Machine::hasCommand(call))
      GTEST_SKIP() << "this build has no command behind " << call;
  endtoend::Machine machine;
  // Packaging may save the description in place: a copy of the sample's.
  fs::copy(std::string(PLEXAR_TESTDATA_DIR) + "/sample/extension", machine.work() + "/extension",
           fs::copy_options::recursive);
  const std::string description = machine.work() + "/extension/SampleTools.kxi";

  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    int exitCode;
    std::string made;  // the file the run makes, "" for none
  } cases[] = {
      {"a YXP by its name",
       {"package", description, "out/Sample Tools.yxp"},
       0,
       "out/Sample Tools.yxp"},
      {"a KXP by its name", {"package", description, "Sample.KXP"}, 0, "Sample.KXP"},
      {"a KXP by the option",
       {"package", description, "sample.pkg", "--type", "KXP"},
       0,
       "sample.pkg"},
      {"no kind", {"package", description, "sample.zip"}, 2, ""},
      {"no description", {"package", "missing.kxi", "missing.yxp"}, 5, ""},
  };
  fs::create_directories(machine.work() + "/out");
  for (const Case& c : cases) {
    const platform::SpawnResult result = machine.run(c.arguments);
    ASSERT_EQ(result.startError, 0) << c.what;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.what << "\n" << result.errorOutput;
    if (c.made.empty()) {
      EXPECT_NE(result.errorOutput, "") << c.what;
      continue;
    }
    const std::string path = machine.work() + "/" + c.made;
    EXPECT_TRUE(contains(result.output, "Made " + path + ".\n")) << c.what << result.output;
    const std::string bytes = readFile(path);
    EXPECT_TRUE(contains(bytes, "SampleTools.htm")) << c.what;
  }
  EXPECT_EQ(readFile(machine.work() + "/out/Sample Tools.yxp").substr(0, 2), "PK");
  EXPECT_FALSE(fs::exists(machine.work() + "/missing.yxp"));
  // The description is given back as it was.
  EXPECT_EQ(readFile(description), sample("SampleTools.kxi"));

  const platform::SpawnResult converted = machine.run({"convert", description, "."});
  EXPECT_EQ(converted.exitCode, 0) << converted.errorOutput;
  const std::string brio = readFile(machine.work() + "/SampleTools.kxi_brio");
  EXPECT_TRUE(contains(brio, "Sample Tools")) << brio;
  EXPECT_FALSE(contains(brio, "menu-insert")) << brio;
}

}  // namespace
