#pragma once

// A whole machine inside a fresh temporary directory, for tests that touch
// the file system.
//
// While a SandboxMachine lives, PlatformConfig::current() describes a
// machine whose single volume "Disk" is mounted at root(), with every
// special folder below it (all of them exist):
//
//   <root>/Applications                         applications
//   <root>/Library/Application Support          shared application data
//   <root>/Library/Fonts                        fonts
//   <root>/System                               system folder
//   <root>/Users                                the users' homes
//   <root>/Users/Shared                         the shared user folder
//   <root>/Users/<user>                         home (user "ann" unless told)
//   <home>/Library, <home>/Library/Application Support,
//   <home>/Library/Preferences, <home>/Library/Caches, <home>/Applications,
//   <home>/.Trash
//   <root>/tmp/plexar-<uid>                     temporary items, mode 0700
//   <root>/Applications/Plexar.app/Contents/    the program as it ships:
//       MacOS/, Resources/, Frameworks/, Info.plist   (see appFolder())
//
// The user is pretended: uid 501 in the group "staff" (a standard user),
// an administrator (also in "admin"), or root (uid 0), so the user type does
// not depend on who runs the tests. The kernel still sees the real user.
//
// A TestClock is installed too (unless Options::testClock is false), so
// waits and retries end at once. Everything is restored and the directory is
// removed when the sandbox is destroyed. Sandboxes are not to be nested.
//
// SandboxMachine::bareVolume("Test") gives only a volume of that name over
// the empty directory: no folders inside, no other settings, no pretended
// user, for tests of the file layer that list the volume itself.
//
// AppBundle.h beside this file makes application bundles in a sandbox.
//
// Typical use:
//
//   TEST(Thing, Works) {
//     testsupport::SandboxMachine sandbox;
//     sandbox.writeFile("Users/ann/a.txt", "x");
//     EXPECT_EQ(sandbox.colon("Users/ann/a.txt"), u"Disk:Users:ann:a.txt");
//   }
//
// or derive a fixture from testsupport::SandboxTest, which holds one as
// `sandbox`.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "testsupport/TempDir.h"

namespace testsupport {

class SandboxMachine {
 public:
  enum class User { Standard, Administrator, Root };

  struct Options {
    std::string userName = "ann";
    User user = User::Standard;
    bool testClock = true;
    std::string volumeName = "Disk";
    bool bare = false;  // only the volume (see bareVolume)
  };
  static Options bareVolume(const std::string& volumeName);

  SandboxMachine();
  explicit SandboxMachine(const Options& options);
  ~SandboxMachine();
  SandboxMachine(const SandboxMachine&) = delete;
  SandboxMachine& operator=(const SandboxMachine&) = delete;

  // The sandbox directory (a real path, no trailing "/"), mount point of
  // the volume "Disk".
  const std::string& root() const { return m_dir.path(); }
  // root() + "/" + relative ("" gives root()).
  std::string posix(const std::string& relative) const;
  // The colon path of a path relative to root(): "Disk:" + relative with
  // "/" turned into ":" ("" gives "Disk:", a trailing "/" a trailing ":").
  // A bare sandbox's volume has its own name.
  std::u16string colon(const std::string& relative) const;

  const std::string& userName() const { return m_options.userName; }
  // Relative to root(): "Users/<user>".
  std::string homeRelative() const;
  // "<root>/Applications/Plexar.app/Contents/MacOS/", ending in "/" as the
  // program's own application path does.
  std::string appFolder() const;

  // The settings in force. After changing them, apply() installs them.
  platform::PlatformConfig& config() { return m_config; }
  const platform::PlatformConfig& config() const { return m_config; }
  void apply();
  // Pretends another user type from now on.
  void setUser(User user);

  platform::TestClock& clock() { return m_clock; }

  // Small file helpers, paths relative to root(). They fail the test
  // (ADD_FAILURE) when the file system refuses.
  void makeFolder(const std::string& relative) const;
  void writeFile(const std::string& relative, const std::string& content) const;
  std::string readFile(const std::string& relative) const;
  bool exists(const std::string& relative) const;  // without following a last link
  bool isFolder(const std::string& relative) const;
  // The names in a folder, sorted ("." and ".." left out).
  std::vector<std::string> list(const std::string& relative) const;

 private:
  Options m_options;
  TempDir m_dir;
  platform::PlatformConfig m_config;
  std::unique_ptr<platform::PlatformConfig::Override> m_override;
  platform::TestClock m_clock;
  std::unique_ptr<platform::ScopedClock> m_scopedClock;
};

// A test fixture holding a sandbox machine.
class SandboxTest : public ::testing::Test {
 protected:
  SandboxMachine sandbox;
};

}  // namespace testsupport
