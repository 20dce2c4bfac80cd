#include "messaging/Launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "messaging/MsgHandler.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/MessagingFixture.h"
#include "platform/os/Applications.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/Process.h"
#include "testsupport/AppSandbox.h"
#include "testsupport/TempDir.h"

using Velt::VtString;
using Velt::ArborTalkUtils::Launcher;

namespace {

constexpr uint32_t kPatienceMs = 20000;

template <class Done>
bool eventually(Done done) {
  const uint64_t deadline = platform::systemClock().nowMs() + kPatienceMs;
  while (!done()) {
    if (platform::systemClock().nowMs() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::vector<std::string> gOpened;
bool gOpenerAnswer = true;

bool recordUrl(const VtString& url) {
  gOpened.push_back(bytes(url));
  return gOpenerAnswer;
}

class ScopedUrlOpener {
 public:
  ScopedUrlOpener() {
    gOpened.clear();
    gOpenerAnswer = true;
    Launcher::setUrlOpener(&recordUrl);
  }
  ~ScopedUrlOpener() { Launcher::setUrlOpener(nullptr); }
};

// The launching application's main instance, as far as launches see it.
class NamedOutlet : public Launcher::Outlet {
 public:
  explicit NamedOutlet(const char* name) : mName(name) { Launcher::setOutlet(this); }
  ~NamedOutlet() override { Launcher::setOutlet(nullptr); }

  VtString getAppName() override { return mName; }
  uint32_t getNextSerialNumber() override { return mSerial++; }
  void queueOutgoing(Velt::ArborTalk::Message* message) override {
    ++queued;
    delete message;
  }
  Velt::ArborTalk::MsgHandler* changeHandler(Velt::ArborTalk::MsgHandler* handler) override {
    ++handlers;
    delete handler;
    return nullptr;
  }
  Velt::ArborTalk::MsgHandler* removeHandler(const VtString&, const VtString&, uint32_t) override {
    return nullptr;
  }
  bool removeOutgoingMessage(const VtString&, uint32_t) override { return false; }
  void setPingValue(const VtString&, const VtString&) override {}

  int queued = 0;
  int handlers = 0;

 private:
  VtString mName;
  uint32_t mSerial = 1;
};

// A bundle around the peer program, told where to report and whom to
// outlive.
std::string makePeerBundle(const TempDir& folder) {
  const std::string bundle = osapps_test::Sandbox::makeBundle(
      folder.path(), "Peer", "Peer", "org.example.peer", "1.0", PLEXAR_MESSAGING_PEER);
  osapps_test::Sandbox::write(
      bundle + "/Contents/Resources/peer.conf",
      "parent=" + std::to_string(platform::processId()) + "\nreport=" + (folder / "report") +
          "\ntemproot=" + platform::PlatformConfig::current().tempRootFolder() + "\n");
  return std::filesystem::canonical(bundle).string();
}

}  // namespace

TEST(Launcher, AWebTargetGoesToTheOpenerWithTheSender) {
  ScopedUrlOpener opener;
  uint32_t pid = 99;
  EXPECT_TRUE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), nullptr,
                               Launcher::kFront, &pid));
  EXPECT_EQ(pid, 0u);
  {
    NamedOutlet outlet("plexo-5.0");
    EXPECT_TRUE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), "-param",
                                 Launcher::kFront, nullptr));
    // A web page takes no launch parameters.
    EXPECT_EQ(outlet.queued, 0);
    EXPECT_EQ(outlet.handlers, 0);
  }
  gOpenerAnswer = false;
  EXPECT_FALSE(Launcher::launch(VtString("site"), VtString("https://example.org/page"), nullptr,
                                Launcher::kFront, nullptr));
  EXPECT_EQ(gOpened, (std::vector<std::string>{"https://example.org/page?sender=",
                                               "https://example.org/page?sender=plexo-5.0",
                                               "https://example.org/page?sender="}));
  // Only https addresses are web targets.
  gOpened.clear();
  EXPECT_FALSE(Launcher::launch(VtString("site"), VtString("http://example.org/"), nullptr,
                                Launcher::kFront, nullptr));
  EXPECT_TRUE(gOpened.empty());
}

TEST(Launcher, WhatIsNoApplicationIsNotLaunched) {
  TempDir folder;
  osapps_test::Sandbox::write(folder / "NoPlist.app/Contents/MacOS/NoPlist", "#!/bin/sh\n");
  const std::string noExecutable =
      osapps_test::Sandbox::makeBundle(folder.path(), "Empty", "Empt", "org.example.empty", "1.0");
  const std::string paths[] = {"", folder / "absent.app", folder / "NoPlist.app", noExecutable};
  for (const std::string& path : paths) {
    uint32_t pid = 99;
    EXPECT_FALSE(Launcher::launch(VtString("x"), vt(path), nullptr, Launcher::kFront, &pid))
        << path;
    EXPECT_EQ(pid, 0u);
  }
}

TEST(Launcher, ALaunchedApplicationRunsUnderTheIdItReports) {
  TempDir folder;
  const std::string bundle = makePeerBundle(folder);
  uint32_t pid = 0;
  ASSERT_TRUE(
      Launcher::launch(VtString("peer"), vt(bundle + "/"), nullptr, Launcher::kBackground, &pid));
  ASSERT_GT(pid, 0u);
  const std::string report = folder / "report";
  auto reported = [&](const std::string& line) {
    return TempDir::read(report).find(line + "\n") != std::string::npos;
  };
  EXPECT_TRUE(eventually([&] { return reported("pid=" + std::to_string(pid)); }))
      << TempDir::read(report);
  EXPECT_TRUE(Launcher::isProcessRunning(pid));

  bool found = false;
  for (const platform::RunningProcess& process : platform::runningProcesses())
    if (process.pid == static_cast<pid_t>(pid)) found = process.bundlePath == bundle;
  EXPECT_TRUE(found);

  {
    AlertCapture alerts;
    Launcher::bringToFront(vt(bundle), 2);
    EXPECT_EQ(alerts.count("ArborTalkUtils::Launcher::bringToFront - unsupported SearchHint."), 1);
  }
  Launcher::bringToFront(vt(bundle), Launcher::kByBundleLocation);
  EXPECT_TRUE(eventually([&] { return reported("reopened"); })) << TempDir::read(report);
  // The other hint reopened nothing.
  EXPECT_EQ(TempDir::read(report).find("reopened"), TempDir::read(report).rfind("reopened"));

  EXPECT_EQ(platform::killProcess(static_cast<pid_t>(pid)), 0);
  EXPECT_FALSE(Launcher::isProcessRunning(0));
}
