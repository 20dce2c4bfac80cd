#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "foundation/CZorbOS.h"
#include "platform/os/Applications.h"
#include "platform/os/FileRef.h"
#include "platform/os/Fork.h"
#include "platform/os/FourCharCode.h"
#include "platform/os/MacStatus.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/ResourceMap.h"
#include "testsupport/AppBundle.h"
#include "testsupport/SandboxMachine.h"
#include "testsupport/TempDir.h"

using platform::fourCC;
using testsupport::SandboxMachine;

namespace {

// A runnable application bundle at a path relative to the sandbox root.
// The file system stamps times in coarse ticks; the next bundle is made in
// a later one, so that the order of creation is seen.
std::string makeApp(SandboxMachine& box, const std::string& relative, const std::string& signature,
                    const std::string& identifier, const std::string& version,
                    const std::string& extra = "") {
  const std::filesystem::path path(relative);
  const std::string bundle =
      testsupport::makeAppBundle(box.posix(path.parent_path().string()), path.stem().string(),
                                 signature, identifier, version, "/bin/true", extra);
  const auto made = std::filesystem::last_write_time(bundle);
  for (int i = 0; i < 100000; ++i) {
    box.writeFile("tick", "");
    if (std::filesystem::last_write_time(box.posix("tick")) > made) break;
  }
  return bundle;
}

platform::FSRef refTo(const std::string& posix) {
  platform::FSRef ref;
  EXPECT_EQ(platform::makeRef(posix, ref), platform::noErr) << posix;
  return ref;
}

std::u16string text(const char16_t* buf) {
  return std::u16string(buf);
}

// A resource fork holding one resource.
std::string resourceFork(uint32_t type, int16_t id, const std::string& data) {
  auto put = [](std::string& s, uint32_t v, int width) {
    for (int i = width - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  std::string dataArea;
  put(dataArea, static_cast<uint32_t>(data.size()), 4);
  dataArea += data;
  std::string map(16 + 4 + 2 + 2, '\0');
  put(map, 28, 2);      // type list offset
  put(map, 0xFFFF, 2);  // no names
  put(map, 0, 2);       // one type
  put(map, type, 4);
  put(map, 0, 2);   // one resource
  put(map, 10, 2);  // its reference list, from the type list
  put(map, static_cast<uint16_t>(id), 2);
  put(map, 0xFFFF, 2);
  put(map, 0, 1);
  put(map, 0, 3);  // data at the start of the data area
  put(map, 0, 4);
  std::string fork;
  put(fork, 256, 4);
  put(fork, static_cast<uint32_t>(256 + dataArea.size()), 4);
  put(fork, static_cast<uint32_t>(dataArea.size()), 4);
  put(fork, static_cast<uint32_t>(map.size()), 4);
  fork.resize(256, '\0');
  fork += dataArea;
  fork += map;
  return fork;
}

void writeResourceFork(const std::string& posix, const std::string& bytes) {
  std::unique_ptr<platform::Fork> fork;
  ASSERT_EQ(platform::Fork::open(refTo(posix), platform::Fork::Kind::Resource, true, fork),
            platform::noErr);
  ASSERT_EQ(fork->write(bytes.data(), static_cast<uint32_t>(bytes.size())), platform::noErr);
  ASSERT_EQ(fork->close(), platform::noErr);
}

const uint32_t kLoom = fourCC("QqLm");

bool acceptNothing(const platform::FSRef&) {
  return false;
}
bool acceptNewFolder(const platform::FSRef& ref) {
  return ref.path.find("/New/") != std::string::npos;
}

}  // namespace

TEST(CZorbOSApplications, FindsAnApplicationBySignatureAndByBundleId) {
  SandboxMachine box;
  std::string loom =
      makeApp(box, "Applications/Vesko Loom/Loom.app", "QqLm", "com.vesko.loom", "11.0");
  std::string other =
      makeApp(box, "Users/ann/Applications/Loom Beta.app", "QqLm", "com.vesko.loom.beta", "12.0");
  makeApp(box, "Applications/Ember.app", "QqEm", "com.vesko.ember", "5.0");

  platform::FSRef app;
  EXPECT_TRUE(CZorbOS::FindAppFromLaunchServices(kLoom, app, u"COM.vesko.Loom"));
  EXPECT_EQ(app.path, loom);
  EXPECT_TRUE(CZorbOS::FindAppFromLaunchServices(kLoom, app, u"com.vesko.loom.beta"));
  EXPECT_EQ(app.path, other);
  // Without an identifier the copy created last answers.
  EXPECT_TRUE(CZorbOS::FindAppFromLaunchServices(kLoom, app, nullptr));
  EXPECT_EQ(app.path, other);
  // Both must fit.
  EXPECT_FALSE(CZorbOS::FindAppFromLaunchServices(fourCC("QqEm"), app, u"com.vesko.loom"));
  EXPECT_FALSE(CZorbOS::FindAppFromLaunchServices(fourCC("None"), app, nullptr));

  char16_t path[2048] = u"unchanged";
  EXPECT_TRUE(CZorbOS::FindAppByBundleID(kLoom, u"com.vesko.loom", CZorbVersionNumber(u"11"),
                                         CZorbVersionNumber(), path));
  EXPECT_EQ(text(path), box.colon("Applications/Vesko Loom/Loom.app"));
  path[0] = 0;
  EXPECT_TRUE(CZorbOS::FindApp(kLoom, CZorbVersionNumber(u"11"), CZorbVersionNumber(u"12"), path));
  EXPECT_EQ(text(path), box.colon("Applications/Vesko Loom/Loom.app"));
  EXPECT_TRUE(CZorbOS::IsAppInstalled(kLoom, CZorbVersionNumber(u"12"), CZorbVersionNumber()));
  EXPECT_FALSE(CZorbOS::IsAppInstalled(kLoom, CZorbVersionNumber(u"13"), CZorbVersionNumber()));
  std::u16string before = u"kept";
  std::copy(before.begin(), before.end() + 1, path);
  EXPECT_FALSE(CZorbOS::FindApp(fourCC("Nope"), CZorbVersionNumber(), CZorbVersionNumber(), path));
  EXPECT_EQ(text(path), u"kept");
}

// A running copy comes before the installed ones, but only one the machine
// can name: a copy running outside its volumes is passed over.
TEST(CZorbOSApplications, RunningCopiesOutsideTheMachineArePassedOver) {
  SandboxMachine box;
  makeApp(box, "Applications/Loom.app", "QqLm", "com.vesko.loom", "11.0");
  const std::string running = makeApp(box, "Running/Loom.app", "QqLm", "com.vesko.loom", "11.0");
  TempDir elsewhere;
  const std::string outside =
      testsupport::makeAppBundle(elsewhere.path(), "Loom", "QqLm", "com.vesko.loom", "11.0");
  const auto process = [](const std::string& bundle, int n) {
    return platform::RunningProcess{platform::kFirstPretendedPid + n,
                                    bundle + "/Contents/MacOS/Loom", bundle};
  };
  const CZorbVersionNumber low(u"11");
  const CZorbVersionNumber none;
  char16_t path[2048] = u"";

  platform::setPretendedProcesses({process(outside, 0), process(running, 1)});
  EXPECT_TRUE(CZorbOS::FindApp(kLoom, low, none, path));
  EXPECT_EQ(text(path), box.colon("Running/Loom.app"));

  platform::setPretendedProcesses({process(outside, 0)});
  path[0] = 0;
  EXPECT_TRUE(CZorbOS::FindApp(kLoom, low, none, path));
  EXPECT_EQ(text(path), box.colon("Applications/Loom.app"));
  path[0] = 0;
  EXPECT_TRUE(CZorbOS::FindAppByBundleID(kLoom, u"com.vesko.loom", low, none, path));
  EXPECT_EQ(text(path), box.colon("Applications/Loom.app"));

  // Nothing else of its signature: not found, and the buffer is kept.
  const std::string alone =
      testsupport::makeAppBundle(elsewhere.path(), "Alone", "QqAl", "com.vesko.alone", "11.0");
  platform::setPretendedProcesses({process(alone, 0)});
  const std::u16string kept = u"kept";
  std::copy(kept.begin(), kept.end() + 1, path);
  EXPECT_FALSE(CZorbOS::FindApp(fourCC("QqAl"), low, none, path));
  EXPECT_FALSE(CZorbOS::FindAppByBundleID(fourCC("QqAl"), u"com.vesko.alone", low, none, path));
  EXPECT_EQ(text(path), kept);

  // A running copy whose path does not fit the buffer is passed over too,
  // rather than handed out cut to another folder's name.
  std::string deep = "Deep";
  while (deep.size() < 2100) deep += "/" + std::string(200, 'd');
  const std::string far = makeApp(box, deep + "/Loom.app", "QqLm", "com.vesko.loom", "11.0");
  platform::setPretendedProcesses({process(far, 0)});
  path[0] = 0;
  EXPECT_TRUE(CZorbOS::FindApp(kLoom, low, none, path));
  EXPECT_EQ(text(path), box.colon("Applications/Loom.app"));
  platform::setPretendedProcesses({});
}

TEST(CZorbOSApplications, DesktopCatalogTakesTheNewestInRange) {
  SandboxMachine box;
  std::string first = makeApp(box, "Applications/Old/Loom.app", "QqLm", "x.loom", "10.0.2");
  std::string second = makeApp(box, "Applications/New/Loom.app", "QqLm", "x.loom", "11.0.1");
  std::string third = makeApp(box, "Applications/Newer/Loom.app", "QqLm", "x.loom", "12.0");
  // Not runnable here: left out.
  std::filesystem::remove(third + "/Contents/MacOS/Loom");

  platform::FSRef app;
  CZorbVersionNumber none;
  ASSERT_TRUE(CZorbOS::FindAppFromDesktopCatalog(kLoom, app, none, none, nullptr, true));
  EXPECT_EQ(app.path, second);
  ASSERT_TRUE(CZorbOS::FindAppFromDesktopCatalog(kLoom, app, none, CZorbVersionNumber(u"11"),
                                                 nullptr, true));
  EXPECT_EQ(app.path, first);
  EXPECT_FALSE(CZorbOS::FindAppFromDesktopCatalog(kLoom, app, CZorbVersionNumber(u"11.0.2"), none,
                                                  nullptr, false));
  EXPECT_FALSE(CZorbOS::FindAppFromDesktopCatalog(kLoom, app, none, none, &acceptNothing, true));

  // The filter applies in the catalog, not in the second source of FindApp,
  // which takes any installed copy (runnable or not).
  char16_t path[2048] = {};
  ASSERT_TRUE(CZorbOS::FindApp(kLoom, none, none, &acceptNothing, path));
  EXPECT_EQ(text(path), box.colon("Applications/Newer/Loom.app"));
  box.config().systemVersion = 0x0920;  // no second source before 10.0
  box.apply();
  EXPECT_FALSE(CZorbOS::FindApp(kLoom, none, none, &acceptNothing, path));
  ASSERT_TRUE(CZorbOS::FindApp(kLoom, none, none, &acceptNewFolder, path));
  EXPECT_EQ(text(path), box.colon("Applications/New/Loom.app"));
}

TEST(CZorbOSApplications, VersionOfABundleOrAFile) {
  SandboxMachine box;
  std::string loom = makeApp(box, "Applications/Loom.app", "QqLm", "x.loom", "11.0.3",
                             "<key>CFBundleVersion</key><string>11.0.4b2</string>\n");
  std::string ember = makeApp(box, "Applications/Ember.app", "QqEm", "x.ember", "5.1");
  box.writeFile("Applications/Bare.app/Contents/Info.plist", "<plist><dict/></plist>");

  CZorbVersionNumber v;
  ASSERT_TRUE(CZorbOS::GetFileVersionNumber(refTo(loom), 0, v, false));
  EXPECT_EQ(CString(v), CString(u"11.0.4"));  // CFBundleVersion wins
  ASSERT_TRUE(CZorbOS::GetFileVersionNumber(refTo(ember), 0, v, false));
  EXPECT_EQ(CString(v), CString(u"5.1.0"));
  v = u"1.2.3.x";
  ASSERT_TRUE(
      CZorbOS::GetFileVersionNumber(refTo(box.posix("Applications/Bare.app")), 0, v, false));
  EXPECT_EQ(CString(v), CString(u"0.0.0.x"));

  // A plain file with a 'vers' resource: the short version string.
  box.writeFile("Applications/tool", "x");
  std::string vers(
      "\x05\x10\x80\x00\x00\x00\x05"
      "5.1.0"
      "\x0b"
      "5.1.0 long",
      7 + 5 + 1 + 10);
  writeResourceFork(box.posix("Applications/tool"), resourceFork(fourCC("vers"), 1, vers));
  v = u"9.9.9";
  ASSERT_TRUE(CZorbOS::GetFileVersionNumber(refTo(box.posix("Applications/tool")), 0, v, false));
  EXPECT_EQ(CString(v), CString(u"5.1.0"));

  // No fork, another id, a broken fork: false and the version stays.
  box.writeFile("Applications/plain", "x");
  v = u"9.9.9";
  EXPECT_FALSE(CZorbOS::GetFileVersionNumber(refTo(box.posix("Applications/plain")), 0, v, false));
  writeResourceFork(box.posix("Applications/plain"), resourceFork(fourCC("vers"), 2, vers));
  EXPECT_FALSE(CZorbOS::GetFileVersionNumber(refTo(box.posix("Applications/plain")), 0, v, false));
  std::string broken = resourceFork(fourCC("vers"), 1, vers);
  broken[7] = '\x7F';  // map beyond the end
  writeResourceFork(box.posix("Applications/plain"), broken);
  EXPECT_FALSE(CZorbOS::GetFileVersionNumber(refTo(box.posix("Applications/plain")), 0, v, false));
  EXPECT_EQ(CString(v), CString(u"9.9.9"));
}

TEST(CZorbOSApplications, ResourceMapRejectsOffsetsOutsideTheFork) {
  std::string fork = resourceFork(fourCC("vers"), 1, "abcdefgh");
  std::string data;
  ASSERT_EQ(platform::findResource(fork, fourCC("vers"), 1, data), platform::noErr);
  EXPECT_EQ(data, "abcdefgh");
  EXPECT_EQ(platform::findResource(fork, fourCC("STR "), 1, data), platform::resNotFound);
  EXPECT_EQ(platform::findResource("", fourCC("vers"), 1, data), platform::resNotFound);
  // The map lies at the end: every cut of the fork is refused.
  for (size_t cut = 1; cut < fork.size(); ++cut) {
    int32_t rc =
        platform::findResource(std::string_view(fork).substr(0, cut), fourCC("vers"), 1, data);
    EXPECT_NE(rc, platform::noErr) << cut;
  }
  // A data length that runs past the data area.
  std::string tooLong = fork;
  tooLong[256 + 3] = '\x40';
  EXPECT_EQ(platform::findResource(tooLong, fourCC("vers"), 1, data), platform::mapReadErr);
}

TEST(CZorbOSApplications, PackagesAndTheirExecutables) {
  SandboxMachine box;
  std::string loom = makeApp(box, "Applications/Loom.app", "QqLm", "x.loom", "11.0");
  platform::BundleInfo bundle;
  EXPECT_TRUE(CZorbOS::IsPackage(refTo(loom), bundle));
  EXPECT_EQ(bundle.identifier, "x.loom");
  box.makeFolder("Applications/Folder");
  EXPECT_FALSE(CZorbOS::IsPackage(refTo(box.posix("Applications/Folder")), bundle));

  platform::FSRef exe = refTo(loom + "/Contents/MacOS/Loom");
  CZorbOS::NormalizePackagedAppFSRef(exe);
  EXPECT_EQ(exe.path, loom);
  EXPECT_TRUE(CZorbOS::GetFileCarbonized(exe));
  // Not inside a bundle: unchanged.
  box.writeFile("Applications/Folder/a/b/tool", "");
  platform::FSRef tool = refTo(box.posix("Applications/Folder/a/b/tool"));
  platform::FSRef before = tool;
  CZorbOS::NormalizePackagedAppFSRef(tool);
  EXPECT_EQ(tool, before);
  EXPECT_FALSE(CZorbOS::GetFileCarbonized(tool));
}

TEST(CZorbOSApplications, DocumentTypesAndBrowsing) {
  SandboxMachine box;
  std::string types =
      "<key>CFBundleDocumentTypes</key><array>"
      "<dict><key>CFBundleTypeExtensions</key><array><string>HTML</string></array>"
      "<key>CFBundleTypeRole</key><string>Viewer</string></dict>"
      "<dict><key>CFBundleTypeExtensions</key><array><string>kxp</string></array>"
      "<key>CFBundleTypeOSTypes</key><array><string>KXPf</string></array>"
      "<key>CFBundleTypeRole</key><string>Editor</string></dict></array>\n";
  std::string viewer = makeApp(box, "Applications/Viewer.app", "View", "x.view", "1", types);

  platform::FSRef app;
  EXPECT_TRUE(CZorbOS::FindDefaultBrowser(app));
  EXPECT_EQ(app.path, viewer);
  EXPECT_TRUE(CZorbOS::FindAppFromLaunchServices(app, u".KXP", 0));
  EXPECT_TRUE(CZorbOS::FindAppFromLaunchServices(app, nullptr, fourCC("KXPf")));
  // Viewing is not editing.
  EXPECT_FALSE(CZorbOS::FindAppFromLaunchServices(app, u"html", 0));
  char16_t path[2048] = {};
  EXPECT_TRUE(
      CZorbOS::FindAppByExtension(0, 0, u"kxp", CZorbVersionNumber(), CZorbVersionNumber(), path));
  EXPECT_EQ(text(path), box.colon("Applications/Viewer.app"));

  static std::string opened;
  CZorbOS::SetURLOpener([](const std::string& url) -> int32_t {
    opened = url;
    return 0;
  });
  EXPECT_EQ(CZorbOS::BrowseTo(u"http://host:8080/a:b"), 0);
  EXPECT_EQ(opened, "http://host/8080/a/b");
  EXPECT_EQ(CZorbOS::BrowseTo(u"file:///Disk/x.html"), 0);
  EXPECT_EQ(opened, "file:///Disk/x.html");
  EXPECT_EQ(CZorbOS::BrowseTo(nullptr), platform::paramErr);
  CZorbOS::SetURLOpener(nullptr);
}
