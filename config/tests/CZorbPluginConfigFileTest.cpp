#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/CZorbPluginConfigFile.h"
#include "foundation/Logger.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "testsupport/SandboxMachine.h"

namespace {

#define BYTES(literal) std::string(literal, sizeof(literal) - 1)

const std::string kMark = "\xEF\xBB\xBF";

std::string ReadFixture(const std::string& name) {
  std::ifstream in(std::string(PLEXAR_TESTDATA_DIR) + "/config2/" + name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::u16string> Entries(const CZorbPluginConfigFile& file, const char16_t* section) {
  std::vector<std::u16string> out;
  if (const CZorbPluginConfigFile::EntryList* entries = file.getEntries(CString(section)))
    for (const CZorbString& entry : *entries) out.emplace_back(entry.Get());
  return out;
}

std::ostringstream* g_log = nullptr;

Logger* CaptureLog() {
  auto stream = std::make_unique<std::ostringstream>();
  g_log = stream.get();
  return new Logger(std::move(stream));
}

class PluginConfigFileTest : public testsupport::SandboxTest {
 protected:
  void TearDown() override { Logger::resetForTest(nullptr); }

  const std::string kName = "Users/ann/PlugInConfig.txt";
  CString Path() const { return CString(sandbox.colon(kName).c_str()); }

  // Every file of the folder but the configuration file itself.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> out;
    for (const std::string& name : sandbox.list("Users/ann"))
      if (name != "PlugInConfig.txt" && name != "Library" && name != "Applications" &&
          name != ".Trash")
        out.push_back(name);
    return out;
  }
};

}  // namespace

TEST_F(PluginConfigFileTest, RewritesEverySectionInItsFixedOrder) {
  sandbox.writeFile(kName, ReadFixture("PlugInConfig.txt"));
  CZorbPluginConfigFile file;
  ASSERT_TRUE(file.load(Path()));
  // Lines that only look like headers stay entries of the section they stood in.
  EXPECT_EQ(Entries(file, u"=ExcludeRequired"),
            (std::vector<std::u16string>{u"=include", u"\"Disk:Odd:Epsilon.plugin\"", u"=Unknown",
                                         u"\"Disk:Zeta.plugin\""}));
  ASSERT_TRUE(file.save());
  EXPECT_EQ(sandbox.readFile(kName),
            kMark +
                "# plug-ins read before the path list\r"
                "=Path\r\"Disk:Applications:Host:Plug-ins:\"\r"
                "=Include\r\"Disk:Library:Shared:Alpha.plugin\"\r\":Extra:Beta.plugin\"\r"
                "=Exclude\r\":Old:Gamma.plugin\"\r\"Disk:Users:ann:Delta.plugin\"\r"
                "=ExcludeRequired\r=include\r\"Disk:Odd:Epsilon.plugin\"\r=Unknown\r"
                "\"Disk:Zeta.plugin\"\r"
                "=MorePluginConfiguration\r");
}

TEST_F(PluginConfigFileTest, ReadsEveryEncodingAndLineEndKeepingTheFirstLetter) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"UTF-8 with mark, CR LF",
       kMark + "\"Disk:A.plugin\"\r\n=Include\r\n\"Disk:Caf\xC3\xA9.plugin\"\r\n"},
      {"UTF-8 without mark, LF", "\"Disk:A.plugin\"\n=Include\n\"Disk:Caf\xC3\xA9.plugin\"\n"},
      {"UTF-8 without mark, CR, no final line end",
       "\"Disk:A.plugin\"\r=Include\r\"Disk:Caf\xC3\xA9.plugin\""},
      {"UTF-16 with mark, LF",
       BYTES("\xFE\xFF\0\"\0D\0i\0s\0k\0:\0A\0.\0p\0l\0u\0g\0i\0n\0\"\0\n\0=\0I\0n\0c\0l\0u\0d\0e"
             "\0\n\0\"\0D\0i\0s\0k\0:\0C\0a\0f\0\xE9\0.\0p\0l\0u\0g\0i\0n\0\"\0\n")},
      {"Mac Roman, CR LF", "\"Disk:A.plugin\"\r\n=Include\r\n\"Disk:Caf\x8E.plugin\"\r\n"},
  };
  for (const Case& c : cases) {
    sandbox.writeFile(kName, c.bytes);
    CZorbPluginConfigFile file;
    ASSERT_TRUE(file.load(Path())) << c.name;
    EXPECT_EQ(Entries(file, u""), std::vector<std::u16string>{u"\"Disk:A.plugin\""}) << c.name;
    EXPECT_EQ(Entries(file, u"=Include"), std::vector<std::u16string>{u"\"Disk:Caf\u00e9.plugin\""})
        << c.name;
    ASSERT_TRUE(file.save()) << c.name;
    EXPECT_EQ(sandbox.readFile(kName),
              kMark +
                  "\"Disk:A.plugin\"\r=Path\r=Include\r\"Disk:Caf\xC3\xA9.plugin\"\r=Exclude\r"
                  "=ExcludeRequired\r=MorePluginConfiguration\r")
        << c.name;
  }
}

TEST_F(PluginConfigFileTest, RepeatedEntriesKeepTheirLastPlace) {
  sandbox.writeFile(kName, "=Include\n\"Disk:A\"\n\"Disk:B\"\n\"DISK:a\"\n=Include\n\"Disk:C\"\n");
  CZorbPluginConfigFile file;
  ASSERT_TRUE(file.load(Path()));
  EXPECT_EQ(Entries(file, u"=Include"),
            (std::vector<std::u16string>{u"\"Disk:B\"", u"\"DISK:a\"", u"\"Disk:C\""}));
  EXPECT_TRUE(file.filePathExistUnderToken(CString(u"\"disk:b\""), CString(u"=Include")));
  EXPECT_FALSE(file.filePathExistUnderToken(CString(u"\"Disk:B\""), CString(u"=Exclude")));
}

TEST_F(PluginConfigFileTest, EnableMovesThePathToTheFrontOfTheIncludeList) {
  sandbox.writeFile(kName, ReadFixture("PlugInConfig.txt"));
  CZorbPluginConfigFile file;
  ASSERT_TRUE(file.load(Path()));

  // A relative entry with the same file name goes from both lists.
  ASSERT_TRUE(file.updateFilePathToIncludeList(CString(u"Disk:Applications:Host:GAMMA.plugin")));
  EXPECT_EQ(Entries(file, u"=Exclude"),
            std::vector<std::u16string>{u"\"Disk:Users:ann:Delta.plugin\""});
  EXPECT_EQ(Entries(file, u"=Include"),
            (std::vector<std::u16string>{u"\"Disk:Applications:Host:GAMMA.plugin\"",
                                         u"\"Disk:Library:Shared:Alpha.plugin\"",
                                         u"\":Extra:Beta.plugin\""}));

  // The quoted full path leaves the exclude list whatever its case.
  ASSERT_TRUE(file.updateFilePathToIncludeList(CString(u"disk:users:ANN:delta.plugin")));
  EXPECT_TRUE(Entries(file, u"=Exclude").empty());
  EXPECT_EQ(Entries(file, u"=Include").front(), u"\"disk:users:ANN:delta.plugin\"");

  // A relative entry of the include list is replaced by the full path.
  ASSERT_TRUE(file.updateFilePathToIncludeList(CString(u"Disk:Other:beta.plugin")));
  EXPECT_EQ(
      Entries(file, u"=Include"),
      (std::vector<std::u16string>{
          u"\"Disk:Other:beta.plugin\"", u"\"disk:users:ANN:delta.plugin\"",
          u"\"Disk:Applications:Host:GAMMA.plugin\"", u"\"Disk:Library:Shared:Alpha.plugin\""}));
}

TEST_F(PluginConfigFileTest, DisableMovesThePathToTheEndOfTheExcludeList) {
  sandbox.writeFile(kName, ReadFixture("PlugInConfig.txt"));
  CZorbPluginConfigFile file;
  ASSERT_TRUE(file.load(Path()));

  ASSERT_TRUE(file.updateFilePathToExcludeList(CString(u"DISK:library:shared:alpha.plugin")));
  ASSERT_TRUE(file.updateFilePathToExcludeList(CString(u"Disk:Elsewhere:Beta.plugin")));
  EXPECT_TRUE(Entries(file, u"=Include").empty());
  EXPECT_EQ(Entries(file, u"=Exclude"),
            (std::vector<std::u16string>{
                u"\":Old:Gamma.plugin\"", u"\"Disk:Users:ann:Delta.plugin\"",
                u"\"DISK:library:shared:alpha.plugin\"", u"\"Disk:Elsewhere:Beta.plugin\""}));

  // Disabling again keeps one entry, at the end.
  ASSERT_TRUE(file.updateFilePathToExcludeList(CString(u"Disk:Users:ann:Delta.plugin")));
  EXPECT_EQ(Entries(file, u"=Exclude").back(), u"\"Disk:Users:ann:Delta.plugin\"");
  EXPECT_EQ(Entries(file, u"=Exclude").size(), 4u);

  // Enabling for the current user only takes it off the exclude list.
  ASSERT_TRUE(file.removeFilePathInExcludeList(CString(u"disk:users:ann:delta.plugin")));
  EXPECT_EQ(Entries(file, u"=Exclude").size(), 3u);
  EXPECT_TRUE(Entries(file, u"=Include").empty());
  ASSERT_TRUE(file.removeFilePathInExcludeList(CString(u"Disk:Not:There.plugin")));
  EXPECT_EQ(Entries(file, u"=Exclude").size(), 3u);
}

TEST_F(PluginConfigFileTest, RelativeEntriesMatchByFileNameOnly) {
  sandbox.writeFile(kName,
                    "=Exclude\n\":A:Tool.plugin\"\n\":B:tool.PLUGIN\"\n\":\"\n"
                    "\"Disk:C:Tool.plugin\"\n\":D:Toolbox.plugin\"\n");
  CZorbPluginConfigFile file;
  ASSERT_TRUE(file.load(Path()));
  CZorbPluginConfigFile::EntryList matches;
  EXPECT_TRUE(file.fileRelativePathExistUnderToken(CString(u"\"Disk:X:Tool.plugin\""),
                                                   CString(u"=Exclude"), matches));
  std::vector<std::u16string> found;
  for (const CZorbString& m : matches) found.emplace_back(m.Get());
  EXPECT_EQ(found, (std::vector<std::u16string>{u"\":A:Tool.plugin\"", u"\":B:tool.PLUGIN\""}));
  EXPECT_FALSE(file.fileRelativePathExistUnderToken(CString(u"\"Disk:X:Tool.plugin\""),
                                                    CString(u"=Include"), matches));
  EXPECT_TRUE(CZorbPluginConfigFile::isValidFilePath(CString(u"\"a\"")));
  EXPECT_FALSE(CZorbPluginConfigFile::isValidFilePath(CString(u"\"\"")));
  EXPECT_FALSE(CZorbPluginConfigFile::isValidFilePath(CString(u"\"abc")));
}

TEST_F(PluginConfigFileTest, TheSafetyCopyNeverStandsBesideTheFile) {
  const std::string original = ReadFixture("PlugInConfig.txt");
  sandbox.writeFile(kName, original);
  {
    CZorbPluginConfigFile file;
    ASSERT_TRUE(file.load(Path()));
    EXPECT_FALSE(file.recoverPluginFile()) << "nothing was saved yet";
    ASSERT_TRUE(file.updateFilePathToExcludeList(CString(u"Disk:X.plugin")));
    ASSERT_TRUE(file.save());
    EXPECT_TRUE(Leftovers().empty()) << "a successful save leaves only the file";
    EXPECT_NE(sandbox.readFile(kName), original);
    // The bytes the save replaced can still be put back while the object lives.
    ASSERT_TRUE(file.recoverPluginFile());
    EXPECT_EQ(sandbox.readFile(kName), original);
    EXPECT_TRUE(Leftovers().empty());
  }
  EXPECT_EQ(sandbox.readFile(kName), original);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(PluginConfigFileTest, MissingFileIsMadeWithTheHeadersOnly) {
  Logger::resetForTest(&CaptureLog);
  {
    CZorbPluginConfigFile file;
    EXPECT_FALSE(file.load(Path()));
    EXPECT_NE(g_log->str().find("[ERROR]"), std::string::npos);
    EXPECT_NE(g_log->str().find("Can not open file under read mode, file name is "),
              std::string::npos);
    ASSERT_TRUE(file.updateFilePathToIncludeList(CString(u"Disk:P.plugin")));
    ASSERT_TRUE(file.save());
  }
  EXPECT_EQ(sandbox.readFile(kName),
            kMark +
                "=Path\r=Include\r\"Disk:P.plugin\"\r=Exclude\r=ExcludeRequired\r"
                "=MorePluginConfiguration\r");
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(PluginConfigFileTest, AFileThatCouldNotBeReadIsNeverReplaced) {
  const std::string original = ReadFixture("PlugInConfig.txt");
  sandbox.writeFile(kName, original);
  CZorbPluginConfigFile file;
  {
    platform::FaultInjectingFileSystem fs;
    platform::FileSystemOverride use(fs);
    fs.failPath("PlugInConfig.txt", EIO, platform::kFsOpenRead | platform::kFsRead);
    EXPECT_FALSE(file.load(Path()));
  }
  ASSERT_TRUE(file.updateFilePathToIncludeList(CString(u"Disk:P.plugin")));
  EXPECT_FALSE(file.save());
  EXPECT_EQ(sandbox.readFile(kName), original);
}

TEST_F(PluginConfigFileTest, AFailedWriteLeavesTheFileAsItWas) {
  const std::string original = ReadFixture("PlugInConfig.txt");
  using Rule = platform::FaultInjectingFileSystem::Rule;
  // The flushes come in pairs, the file's own and then its folder's: the
  // save's, then those of the way back.
  const std::string folder = "Users/ann";
  struct Case {
    const char* name;
    bool existed;
    std::vector<Rule> rules;
  } cases[] = {
      {"the new text cannot be written",
       true,
       {{platform::kFsWrite, ".PlugInConfig.txt.plexar-", 0, -1, ENOSPC}}},
      {"the new file cannot take the old one's place",
       true,
       {{platform::kFsRename, ".PlugInConfig.txt.plexar-", 0, -1, ENOSPC}}},
      {"the disk refuses everything", true, {{platform::kFsMutatingOps, "", 0, -1, ENOSPC}}},
      // The rename happened but may not last: the old bytes go back.
      {"the folder cannot be flushed after the rename",
       true,
       {{platform::kFsSync, folder, 1, 1, EIO}}},
      {"no folder flush passes, not even the one of the way back",
       true,
       {{platform::kFsSync, folder, 1, 1, EIO}, {platform::kFsSync, folder, 3, -1, EIO}}},
      {"a new file whose folder cannot be flushed goes again",
       false,
       {{platform::kFsSync, folder, 1, 1, EIO}}},
  };
  for (const Case& c : cases) {
    if (c.existed)
      sandbox.writeFile(kName, original);
    else
      std::filesystem::remove(sandbox.posix(kName));
    Logger::resetForTest(&CaptureLog);
    {
      CZorbPluginConfigFile file;
      EXPECT_EQ(file.load(Path()), c.existed) << c.name;
      ASSERT_TRUE(file.updateFilePathToExcludeList(CString(u"Disk:X.plugin")));
      {
        platform::FaultInjectingFileSystem fs;
        platform::FileSystemOverride use(fs);
        for (const Rule& rule : c.rules) fs.addRule(rule);
        EXPECT_FALSE(file.save()) << c.name;
        EXPECT_GT(fs.injectedFailures(), 0) << c.name;
      }
      if (c.existed) {
        EXPECT_EQ(sandbox.readFile(kName), original) << c.name;
      } else {
        EXPECT_FALSE(sandbox.exists(kName)) << c.name;
      }
      EXPECT_NE(g_log->str().find("Can not open file under write mode, file name is "),
                std::string::npos)
          << c.name;
    }
    if (c.existed) {
      EXPECT_EQ(sandbox.readFile(kName), original) << c.name;
    }
    EXPECT_TRUE(Leftovers().empty()) << c.name;
  }
}
