#include "platform/os/Applications.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "testsupport/AppBundle.h"
#include "testsupport/SandboxMachine.h"

using namespace platform;

TEST(Applications, FourCharCodes) {
  EXPECT_EQ(fourCharCode("QqXm"), 0x5171586Du);
  EXPECT_EQ(fourCC("QqXm"), 0x5171586Du);
  EXPECT_EQ(fourCharText(0x5171586Du), "QqXm");
  EXPECT_EQ(fourCharCode("abc"), 0u);
  EXPECT_EQ(fourCharCode("abcde"), 0u);
  EXPECT_EQ(processOfPsn(psnForProcess(1234)), 1234);
  EXPECT_TRUE(psnForProcess(0).isNull());
  EXPECT_EQ(processOfPsn(ProcessSerialNumber{}), -1);
  EXPECT_EQ(processOfPsn(ProcessSerialNumber{1, 5}), -1);
}

TEST(Applications, BundleOfAnExecutable) {
  struct Case {
    const char* exe;
    const char* bundle;
  } cases[] = {
      {"/Applications/Loom.app/Contents/MacOS/Loom", "/Applications/Loom.app"},
      {"/a/b c/Tool.app/Contents/MacOS/tool-bin", "/a/b c/Tool.app"},
      {"/usr/bin/sleep", ""},
      {"/x/Loom.app/Contents/MacOS/", ""},
      {"/x/Loom.app/Contents/MacOS/sub/tool", ""},
      {"/Contents/MacOS/tool", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(bundleOfExecutable(c.exe), c.bundle) << c.exe;
  // The test program does not run from a bundle.
  EXPECT_EQ(bundleOfCurrentProcess(), "");
}

TEST(Applications, RunnableFiles) {
  testsupport::SandboxMachine box;
  box.writeFile("tool", "#!/bin/sh\n");
  box.writeFile("text", "x");
  ::chmod((box.posix("tool")).c_str(), 0700);
  ::chmod((box.posix("text")).c_str(), 0600);
  std::filesystem::create_directories(box.posix("folder"));
  ::chmod((box.posix("folder")).c_str(), 0755);
  EXPECT_TRUE(isRunnableFile(box.posix("tool")));
  EXPECT_FALSE(isRunnableFile(box.posix("text")));    // no execute bit, even for root
  EXPECT_FALSE(isRunnableFile(box.posix("folder")));  // searchable, not runnable
  EXPECT_FALSE(isRunnableFile(box.posix("missing")));
  EXPECT_FALSE(isRunnableFile(""));
}

TEST(Applications, ReadsABundle) {
  testsupport::SandboxMachine box;
  std::string extra =
      "\t<key>CFBundleVersion</key><string>11.0.2</string>\n"
      "\t<key>CFBundleDocumentTypes</key><array><dict>"
      "<key>CFBundleTypeExtensions</key><array><string>html</string><string>htm</string></array>"
      "<key>CFBundleTypeOSTypes</key><array><string>TEXT</string><string>bad</string></array>"
      "<key>CFBundleTypeRole</key><string>Viewer</string></dict></array>\n";
  std::string path = testsupport::makeAppBundle(box.config().applicationsFolder(), "Loom", "QqLm",
                                                "com.vesko.loom", "11.0", "/bin/true", extra);
  BundleInfo info;
  ASSERT_EQ(readBundle(path + "/", info), noErr);
  EXPECT_EQ(info.path, path);
  EXPECT_EQ(info.signature, "QqLm");
  EXPECT_EQ(info.creator(), fourCC("QqLm"));
  EXPECT_EQ(info.identifier, "com.vesko.loom");
  EXPECT_EQ(info.shortVersion, "11.0");
  EXPECT_EQ(info.version, "11.0.2");
  EXPECT_EQ(info.executablePath(), path + "/Contents/MacOS/Loom");
  EXPECT_TRUE(hasRunnableExecutable(info));
  EXPECT_NE(info.creationDate.tv_sec, 0);
  ASSERT_EQ(info.documentTypes.size(), 1u);
  EXPECT_EQ(info.documentTypes[0].extensions, (std::vector<std::string>{"html", "htm"}));
  EXPECT_EQ(info.documentTypes[0].fileTypes, std::vector<uint32_t>{fourCC("TEXT")});
  EXPECT_EQ(info.documentTypes[0].role, "Viewer");

  // No Info.plist, or one that is not a property list.
  std::filesystem::create_directories(box.posix("Plain.app/Contents"));
  EXPECT_EQ(readBundle(box.posix("Plain.app"), info), fnfErr);
  EXPECT_FALSE(isBundleFolder(box.posix("Plain.app")));
  box.writeFile("Broken.app/Contents/Info.plist", "<plist><dict><key>x</dict>");
  std::string error;
  EXPECT_EQ(readBundle(box.posix("Broken.app"), info, &error), paramErr);
  EXPECT_FALSE(error.empty());

  // An executable name that would leave the MacOS folder is not taken.
  box.writeFile("Sneaky.app/Contents/Info.plist",
                testsupport::infoPlist("SnKy", "x.sneaky", "1", "../../../../bin/sh"));
  ASSERT_EQ(readBundle(box.posix("Sneaky.app"), info), noErr);
  EXPECT_EQ(info.executablePath(), "");
  EXPECT_FALSE(hasRunnableExecutable(info));
}

TEST(Applications, FindsBundlesUnderTheSearchRoots) {
  testsupport::SandboxMachine box;
  testsupport::makeAppBundle(box.config().applicationsFolder(), "Zed", "ZZZZ", "x.zed", "1");
  testsupport::makeAppBundle(box.config().applicationsFolder() + "/Vesko Loom 5", "Loom", "QqLm",
                             "x.loom", "5");
  testsupport::makeAppBundle(box.config().applicationsFolder() + "/a/b/c", "TooDeep", "DEEP",
                             "x.deep", "1");
  testsupport::makeAppBundle(box.config().applicationsFolder() + "/.hidden", "Hidden", "HIDN",
                             "x.hidden", "1");
  // A bundle inside a bundle is part of it, not an application of its own.
  testsupport::makeAppBundle(box.config().applicationsFolder() + "/Zed.app/Contents/Helpers",
                             "Inner", "INNR", "x.in", "1");
  testsupport::makeAppBundle(box.config().userApplicationsFolder(), "Mine", "MINE", "x.mine", "2");
  // A link back up must not make the walk go round.
  std::filesystem::create_directory_symlink(box.config().applicationsFolder(),
                                            box.config().applicationsFolder() + "/loop");

  std::vector<std::string> names;
  for (const auto& b : findInstalledApplications()) names.push_back(b.identifier);
  // The sandbox machine holds the program itself as well.
  EXPECT_EQ(names, (std::vector<std::string>{"com.vesko.plexar", "x.loom", "x.zed", "x.mine"}));

  // A root that is missing is no error.
  EXPECT_TRUE(findBundles({box.posix("nowhere")}).empty());
  // A root may be a bundle itself; a root named twice gives its bundles once.
  EXPECT_EQ(findBundles({box.config().userApplicationsFolder() + "/Mine.app",
                         box.config().userApplicationsFolder()})
                .size(),
            1u);
}

TEST(Applications, RunningProcessesIncludeThisOne) {
  auto all = runningProcesses();
  auto self = std::find_if(all.begin(), all.end(),
                           [](const RunningProcess& p) { return p.pid == ::getpid(); });
  ASSERT_NE(self, all.end());
  char exe[4096];
  ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  EXPECT_EQ(self->executable, std::string(exe, static_cast<size_t>(n)));
  EXPECT_EQ(self->bundlePath, "");
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end(),
                             [](const auto& a, const auto& b) { return a.pid < b.pid; }));
}

TEST(Applications, LaunchStartsTheBundleExecutable) {
  testsupport::SandboxMachine box;
  std::string path = testsupport::makeAppBundle(box.config().applicationsFolder(), "Sleeper",
                                                "SLEP", "x.sleep", "1", "/bin/sleep");
  BundleInfo info;
  ASSERT_EQ(readBundle(path, info), noErr);
  pid_t pid = -1;
  ASSERT_EQ(launchApplication(info, {"30"}, pid), noErr);
  ASSERT_GT(pid, 0);
  auto all = runningProcesses();
  auto it =
      std::find_if(all.begin(), all.end(), [&](const RunningProcess& p) { return p.pid == pid; });
  ::kill(pid, SIGKILL);
  ASSERT_NE(it, all.end());
  EXPECT_EQ(it->bundlePath, std::filesystem::canonical(path).string());

  // Without an executable there is nothing to start.
  std::filesystem::remove(path + "/Contents/MacOS/Sleeper");
  EXPECT_EQ(launchApplication(info, {}, pid), fnfErr);
  EXPECT_EQ(pid, -1);
}
