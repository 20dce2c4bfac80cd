// Installing over what is installed, from a shell, through the real
// program: a newer, the same and an older version of the same extension,
// and another extension under the same description file, answered from the
// options and by a person at the terminal; and paths that hold entity text,
// a newline or name a folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/tests/EndToEndMachine.h"
#include "app/tests/EndToEndTerminal.h"
#include "testsupport/signing/SignedPackageBuilder.h"

namespace {

namespace fs = std::filesystem;

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

// The sample's description with another version, and for another
// extension another name and id; the description file stays SampleTools.kxi.
std::string description(const std::string& version, const std::string& name = "Sample Tools",
                        const std::string& id = "com.plexar.sampletools") {
  std::string text = sample("SampleTools.kxi");
  const std::string root = "name=\"Sample Tools\" version=\"1.0.0\" id=\"com.plexar.sampletools\"";
  const size_t at = text.find(root);
  if (at == std::string::npos) return {};
  return text.replace(at, root.size(),
                      "name=\"" + name + "\" version=\"" + version + "\" id=\"" + id + "\"");
}

// What a list of the web host shows for one installed extension.
std::string listed(const std::string& name, const std::string& version) {
  return "Loomwright WB5\t" + name + "\t" + version + "\tSampleTools.kxi\n";
}

class EndToEndUpdates : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* call :
         {"externalPackageExtension", "externalInstallExtension", "externalImportProduct"})
      if (!endtoend::Machine::hasCommand(call))
        GTEST_SKIP() << "this build has no command behind " << call;
    machine = std::make_unique<endtoend::Machine>();
    const platform::SpawnResult first = run({"list"});
    ASSERT_EQ(first.exitCode, 0) << first.errorOutput;
    // The installed copy: 1.0.0.
    makePackage("SampleTools.yxp", description("1.0.0"));
    const platform::SpawnResult installed = run({"install", "SampleTools.yxp"});
    ASSERT_EQ(installed.exitCode, 0) << installed.output << installed.errorOutput;
    ASSERT_EQ(run({"list"}).output, listed("Sample Tools", "1.0.0"));
  }

  // A package of the sample with this description, in the work folder.
  void makePackage(const std::string& file, const std::string& kxi) const {
    ASSERT_FALSE(kxi.empty());
    testsupport::SignedPackageBuilder()
        .add("SampleTools.kxi", kxi)
        .add("Commands/SampleTools.htm", sample("Commands/SampleTools.htm"))
        .writeZip(machine->work() + "/" + file);
  }
  platform::SpawnResult run(const std::vector<std::string>& arguments) const {
    return machine->run(arguments);
  }
  std::string list() const { return run({"list"}).output; }

  std::unique_ptr<endtoend::Machine> machine;
};

// Each install from the options: its exit status, a part of what it says,
// and what is installed after it.
TEST_F(EndToEndUpdates, FromTheOptions) {
  makePackage("newer.yxp", description("1.0.1"));
  makePackage("older.yxp", description("0.9.0"));
  makePackage("other.yxp", description("2.0.0", "Sample Tools", "com.example.othertools"));
  struct Step {
    const char* what;
    std::vector<std::string> arguments;
    int exitCode;
    std::string said;  // on standard output or error
    std::string after;
  } steps[] = {
      {"1.0.0 to 1.0.1",
       {"install", "newer.yxp"},
       0,
       "Updating Sample Tools from 1.0.0 to 1.0.1.",
       listed("Sample Tools", "1.0.1")},
      {"1.0.1 again",
       {"install", "newer.yxp"},
       0,
       "Installing Sample Tools 1.0.1 again.",
       listed("Sample Tools", "1.0.1")},
      {"older, refused",
       {"install", "older.yxp"},
       1,
       "Sample Tools 1.0.1 is installed, newer than this 0.9.0: it stays (--force installs the "
       "older version)",
       listed("Sample Tools", "1.0.1")},
      {"older, forced",
       {"install", "older.yxp", "--force"},
       0,
       "Replacing Sample Tools 1.0.1 with the older 0.9.0.",
       listed("Sample Tools", "0.9.0")},
      {"another extension, refused",
       {"install", "other.yxp"},
       1,
       "(answered no; --force answers yes)",
       listed("Sample Tools", "0.9.0")},
      {"another extension, forced",
       {"install", "other.yxp", "--force"},
       0,
       "Installed SampleTools.kxi for Loomwright WB5.",
       listed("Sample Tools", "2.0.0")},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const platform::SpawnResult result = run(s.arguments);
    EXPECT_EQ(result.exitCode, s.exitCode) << result.output << result.errorOutput;
    EXPECT_TRUE(contains(result.output + result.errorOutput, s.said))
        << result.output << result.errorOutput;
    EXPECT_EQ(list(), s.after);
  }
  // Whatever was replaced, the host has the file once.
  EXPECT_EQ(readFile(machine->posix(machine->machine().homeRelative() +
                                    "/Library/Application Support/Vesko/Loomwright Marlin A0/"
                                    "en_US/Commands/SampleTools.htm")),
            sample("Commands/SampleTools.htm"));
}

// The person is asked what each case is, and the answer holds.
TEST_F(EndToEndUpdates, AskedAtTheTerminal) {
  makePackage("newer.yxp", description("1.0.1"));
  makePackage("older.yxp", description("0.9.0"));
  makePackage("other.yxp", description("2.0.0", "Sample Tools", "com.example.othertools"));
  struct Step {
    const char* what;
    std::string package;
    std::string question;
    std::string answer;
    std::string after;
  } steps[] = {
      {"1.0.0 to 1.0.1", "newer.yxp", "Update Sample Tools from 1.0.0 to 1.0.1? [y/N]", "y",
       listed("Sample Tools", "1.0.1")},
      {"1.0.1 again", "newer.yxp", "Sample Tools 1.0.1 is installed already. Install it again?",
       "y", listed("Sample Tools", "1.0.1")},
      {"older, declined", "older.yxp",
       "Sample Tools 1.0.1 is installed, newer than this 0.9.0. Replace it with the older version?",
       "n", listed("Sample Tools", "1.0.1")},
      {"older, accepted", "older.yxp",
       "Sample Tools 1.0.1 is installed, newer than this 0.9.0. Replace it with the older version?",
       "y", listed("Sample Tools", "0.9.0")},
      {"another extension, declined", "other.yxp",
       "Another extension, Sample Tools (com.plexar.sampletools), is installed under the "
       "description file SampleTools.kxi. Put Sample Tools (com.example.othertools) in its place?",
       "n", listed("Sample Tools", "0.9.0")},
      {"another extension, accepted", "other.yxp",
       "Another extension, Sample Tools (com.plexar.sampletools), is installed under the "
       "description file SampleTools.kxi. Put Sample Tools (com.example.othertools) in its place?",
       "y", listed("Sample Tools", "2.0.0")},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    endtoend::Terminal terminal(machine->program(), {"-i", "install", s.package}, machine->work());
    ASSERT_TRUE(terminal.started());
    // An unsigned package: the person is asked whether to go on.
    ASSERT_TRUE(terminal.waitFor("Install it anyway? [y/N]")) << terminal.output();
    terminal.type("y");
    ASSERT_TRUE(terminal.waitFor(s.question)) << terminal.output();
    terminal.type(s.answer);
    const int status = terminal.wait();
    // The run says whether it installed.
    const bool installed = contains(terminal.output(), "Installed SampleTools.kxi");
    EXPECT_EQ(installed, s.answer == "y") << terminal.output();
    if (installed) {
      EXPECT_EQ(status, 0) << terminal.output();
    }
    EXPECT_EQ(list(), s.after);
  }
}

// Paths reach the program as they were typed: entity text stays text, a
// newline stays inside its argument, and a folder is no package.
TEST_F(EndToEndUpdates, PathsAsTyped) {
  fs::copy(std::string(PLEXAR_TESTDATA_DIR) + "/sample/extension", machine->work() + "/extension",
           fs::copy_options::recursive);
  const std::string description = machine->work() + "/extension/SampleTools.kxi";
  ASSERT_EQ(run({"remove", "Sample Tools"}).exitCode, 0);
  struct Case {
    const char* what;
    std::string package;
  } cases[] = {
      {"entity text", "odd&lt;name&gt; &amp;.yxp"},
      {"a newline", "new\nline.yxp"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = machine->work() + "/" + c.package;
    const platform::SpawnResult made = run({"package", description, c.package});
    ASSERT_EQ(made.exitCode, 0) << made.output << made.errorOutput;
    EXPECT_TRUE(contains(made.output, "Made " + path + ".\n")) << made.output;
    EXPECT_TRUE(fs::is_regular_file(path));
    const platform::SpawnResult installed = run({"install", c.package});
    EXPECT_EQ(installed.exitCode, 0) << installed.output << installed.errorOutput;
    EXPECT_EQ(list(), listed("Sample Tools", "1.0.0"));
    ASSERT_EQ(run({"remove", "Sample Tools"}).exitCode, 0);
  }
  // Nothing was made under the decoded name.
  EXPECT_FALSE(fs::exists(machine->work() + "/odd<name> &.yxp"));

  const platform::SpawnResult folder = run({"install", "extension"});
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_TRUE(
      contains(folder.errorOutput, machine->work() + "/extension is a folder, not a package"))
      << folder.errorOutput;
  EXPECT_FALSE(contains(folder.errorOutput, "does not exist")) << folder.errorOutput;
}

TEST_F(EndToEndUpdates, ImportOfAFolderWithoutAHostEndsWithOne) {
  fs::create_directories(machine->work() + "/NotAHost");
  const platform::SpawnResult result = run({"import", "NotAHost"});
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_FALSE(contains(result.output, "Imported")) << result.output;
  EXPECT_TRUE(contains(result.errorOutput, machine->work() +
                                               "/NotAHost: not imported: it holds no host (no "
                                               "VornConfig.xml in it or in its Configuration "
                                               "folder)"))
      << result.errorOutput;
}

}  // namespace
