#include "messaging/ArborTalkConnector.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "messaging/AKConnectorAppInfoList.h"
#include "messaging/Specifier.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MemoryConnector.h"
#include "platform/os/ArchiveSupport.h"
#include "testsupport/TempDir.h"

using Velt::AKConnectorAppInfo;
using Velt::AKConnectorAppInfoList;
using Velt::VtString;
using Specifier = Velt::ArborTalk::Specifier;

namespace {

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

AKConnectorAppInfo* entry(const char* specifier, const char* location = "",
                          const char* redirect = "") {
  auto* info = new AKConnectorAppInfo;
  info->mSpecifier = specifier;
  info->mLocation = location;
  info->mRedirectTo = redirect;
  return info;
}

std::string locationOf(const AKConnectorAppInfoList& list, const char* specifier) {
  const AKConnectorAppInfo* found = list.find(specifier);
  return found ? text(found->mLocation) : "<none>";
}

TEST(AKConnectorAppInfo, NewEntriesHaveTheDefaultsAndCompareWithoutTheProcessId) {
  AKConnectorAppInfo a;
  EXPECT_EQ(a.mArborTalkVersion, 2.0);
  EXPECT_EQ(text(a.mExecutableExtension), "app");
  EXPECT_TRUE(a.mMessageAuthentication);
  EXPECT_TRUE(a.mMessageDigest);
  EXPECT_FALSE(a.mIsShellTool);
  AKConnectorAppInfo b(a);
  b.mProcessID = 42;
  EXPECT_EQ(a, b);
  b.mArborTalkVersion = 2.05;
  EXPECT_NE(a, b);
}

TEST(AKConnectorAppInfoList, FindFallsBackToTheEntryWithoutTheInstance) {
  AKConnectorAppInfoList list;
  EXPECT_TRUE(list.append(entry("name-1.0", "/a")));
  EXPECT_TRUE(list.append(entry("name_3-1.0", "/three")));
  int32_t index = 7;
  EXPECT_EQ(locationOf(list, "name_2-1.0"), "/a");
  EXPECT_EQ(locationOf(list, "name_3-1.0"), "/three");
  EXPECT_NE(list.find("Name-1.0", &index), nullptr);  // the fallback lower-cases
  EXPECT_EQ(index, 0);
  EXPECT_EQ(list.find("name-2.0", &index), nullptr);
  EXPECT_EQ(index, -1);
  // Process ids need the exact text.
  EXPECT_FALSE(list.setProcessID("name_2-1.0", 5));
  EXPECT_TRUE(list.setProcessID("name_3-1.0", 5));
  EXPECT_EQ(list.get(1)->mProcessID, 5u);
}

TEST(AKConnectorAppInfoList, AppendUpdateRemoveAndIndexesOutOfRange) {
  AKConnectorAppInfoList list;
  EXPECT_TRUE(list.append(entry("a-1.0", "/a")));
  EXPECT_FALSE(list.append(entry("a-1.0", "/a")));  // an equal entry is refused
  EXPECT_TRUE(list.append(entry("a-1.0", "/other")));
  EXPECT_EQ(list.length(), 2);

  AKConnectorAppInfo changed = *list.get(0);
  changed.mDisplayName = "A";
  EXPECT_TRUE(list.update(changed));
  EXPECT_EQ(text(list.get(0)->mDisplayName), "A");
  AKConnectorAppInfo fresh;
  fresh.mSpecifier = "b-1.0";
  EXPECT_TRUE(list.update(fresh));
  EXPECT_EQ(list.length(), 3);
  EXPECT_FALSE(list.update(AKConnectorAppInfo()));

  EXPECT_TRUE(list.remove(changed));
  EXPECT_FALSE(list.remove(changed));
  EXPECT_EQ(list.length(), 2);

  AKConnectorAppInfo out;
  for (int32_t index : {-1, 2, 1000}) {
    EXPECT_EQ(list.get(index), nullptr);
    EXPECT_FALSE(list.getItemAt(index, out));
  }
  EXPECT_TRUE(list.getItemAt(1, out));
  EXPECT_EQ(text(out.mSpecifier), "b-1.0");
}

TEST(AKConnectorAppInfoList, RedirectsTakeTheLocationAtTheEndOfTheChain) {
  {
    AKConnectorAppInfoList list;
    list.append(entry("a-1.0", "/a", "b-1.0"));
    list.append(entry("b-1.0", "/b", "c-1.0"));
    EXPECT_TRUE(list.resolveRedirectTo());
    EXPECT_EQ(locationOf(list, "a-1.0"), "/b");  // c is missing: b's own location
    EXPECT_EQ(locationOf(list, "b-1.0"), "/b");
    list.append(entry("c-1.0", "/c"));
    EXPECT_TRUE(list.resolveRedirectTo());
    EXPECT_EQ(locationOf(list, "a-1.0"), "/c");
    EXPECT_EQ(locationOf(list, "b-1.0"), "/c");
  }
  {
    AKConnectorAppInfoList list;
    list.append(entry("a-1.0", "/a"));
    EXPECT_FALSE(list.resolveRedirectTo());
    list.append(entry("x-1.0", "/x", "gone-1.0"));
    EXPECT_TRUE(list.resolveRedirectTo());
    EXPECT_EQ(locationOf(list, "x-1.0"), "/x");
  }
}

TEST(AKConnectorAppInfoList, ARedirectCycleEndsLikeAMissingTarget) {
  AKConnectorAppInfoList list;
  list.append(entry("self-1.0", "/self", "self-1.0"));
  list.append(entry("a-1.0", "/a", "b-1.0"));
  list.append(entry("b-1.0", "/b", "c-1.0"));
  list.append(entry("c-1.0", "", "a-1.0"));
  EXPECT_TRUE(list.resolveRedirectTo());
  EXPECT_EQ(locationOf(list, "self-1.0"), "/self");
  EXPECT_EQ(locationOf(list, "a-1.0"), "/b");
  EXPECT_EQ(locationOf(list, "b-1.0"), "/b");
  EXPECT_EQ(locationOf(list, "c-1.0"), "/b");
}

class Registry : public ::testing::Test {
 protected:
  Registry() : connector(new MemoryConnector), scope(connector) {}

  // Probes of fixed names reach no other process.
  ScopedFakeStreams fakes;
  ScopedLocale locale{"en_US"};
  MemoryConnector* connector;
  ScopedConnector scope;
};

TEST_F(Registry, LookupsAnswerForRegisteredAndUnknownApplications) {
  AKConnectorAppInfo info;
  info.mSpecifier = "tool-1.0";
  info.mLocation = "/Apps/Tool X.app";
  info.mIsShellTool = true;
  info.mMessageAuthentication = false;
  info.mMessageDigest = false;
  info.mBundleIdentifier = "com.vesko.tool";
  info.mExecutableBasename = "Tool";
  info.mRedirectTo = "";
  connector->apps.push_back(info);

  EXPECT_TRUE(connector->isShellTool("tool-1.0"));
  EXPECT_FALSE(connector->getMessageAuthentication("tool-1.0"));
  EXPECT_FALSE(connector->getMessageDigest("tool_4-1.0"));
  EXPECT_EQ(text(connector->getBundleIdentifier("tool-1.0")), "com.vesko.tool");
  EXPECT_EQ(text(connector->getExecutableBasename("tool-1.0")), "Tool");
  EXPECT_EQ(text(connector->getExecutableExtension("tool-1.0")), "app");
  EXPECT_EQ(text(connector->getOMVDictionary("tool-1.0")), "none");
  EXPECT_EQ(text(connector->getApplicationPath("tool-1.0#thread", nullptr)), "/Apps/Tool X.app");
  EXPECT_EQ(text(connector->getDisplayName("tool", "1.0", "")), "Tool X");

  // What the registry does not know.
  EXPECT_FALSE(connector->isShellTool("other-1.0"));
  EXPECT_TRUE(connector->getMessageAuthentication("other-1.0"));
  EXPECT_TRUE(connector->getMessageDigest("other-1.0"));
  EXPECT_EQ(text(connector->getOMVDictionary("other-1.0")), "");
  EXPECT_EQ(text(connector->getApplicationPath("", nullptr)), "");
  EXPECT_EQ(connector->getProcessID("other-1.0"), 0u);
  EXPECT_FALSE(connector->supportsORKT("other-1.0"));

  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 1);
  EXPECT_EQ(text(connector->getApplicationSpecifier(0)), "tool-1.0");
  EXPECT_EQ(text(connector->getApplicationSpecifier(1)), "");
  EXPECT_EQ(text(connector->getApplicationSpecifier(-7)), "");
  EXPECT_EQ(text(connector->getApplicationSpecifier(-1)), "plexo-5.0");
}

TEST_F(Registry, AFailedLoadIsNotRetriedUntilTheCacheIsCleared) {
  connector->add("tool-1.0");
  connector->loadFails = true;
  EXPECT_FALSE(connector->isGood());
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 0);
  EXPECT_EQ(text(connector->getApplicationSpecifier(-1)), "plexo-5.0");
  EXPECT_TRUE(connector->getMessageDigest("tool-1.0"));
  // Nothing is asked of the store.
  EXPECT_FALSE(connector->removeAll());
  EXPECT_FALSE(
      connector->registerApplication(Specifier("x-1.0", false), "/x", nullptr, false, false));
  EXPECT_EQ(connector->storeCalls, 0);
  connector->loadFails = false;
  EXPECT_FALSE(connector->isGood());
  EXPECT_EQ(connector->loads, 1);
  connector->clearCache();
  EXPECT_TRUE(connector->isGood());
  EXPECT_EQ(connector->loads, 2);
}

TEST_F(Registry, RegistrationFillsTheDisplayNameAndRefusesWhatIsThere) {
  const Specifier x("x-1.0", false);
  EXPECT_FALSE(connector->registerApplication(x, "", nullptr, false, false));
  EXPECT_TRUE(connector->registerApplication(x, "/Applications/Tool X.app", nullptr, false, true));
  EXPECT_EQ(text(connector->getDisplayName("x", "1.0", "")), "x-1.0");
  EXPECT_EQ(connector->storeCalls, 1);
  // The same location again: nothing to do, nothing stored.
  EXPECT_FALSE(connector->registerApplication(x, "/Applications/Tool X.app", nullptr, false, true));
  EXPECT_EQ(connector->storeCalls, 1);
  // Another location replaces the entry.
  const VtString name("Tool");
  EXPECT_TRUE(connector->registerApplication(x, "/Other/Tool.app", &name, false, false));
  EXPECT_EQ(text(connector->getApplicationPath("x-1.0", nullptr)), "/Other/Tool.app");
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 1);

  // An entry that arrives without a display name gets the item's name.
  AKConnectorAppInfo imported;
  imported.mSpecifier = "y-2.0";
  imported.mLocation = "/Applications/Tool Y.app";
  EXPECT_TRUE(connector->doRegisterApplication(imported));
  EXPECT_EQ(text(connector->getDisplayName("y", "2.0", "")), "Tool Y");
  EXPECT_TRUE(connector->supportsORKT("x") == false);

  // A store that refuses leaves the list alone.
  connector->storeRefuses = true;
  EXPECT_FALSE(
      connector->registerApplication(Specifier("z-1.0", false), "/z.app", nullptr, false, false));
  EXPECT_FALSE(connector->unregisterApplication(Specifier("y-2.0", false), nullptr));
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 2);
}

TEST_F(Registry, RemoveAllUnregistersEveryEntryAndGroup) {
  connector->add("a-1.0").add("b-1.0").group("wb/3/a-1.0").group("wb/3/b-1.0").group("broken");
  // One store call per application and per group entry that splits.
  EXPECT_FALSE(connector->removeAll());  // "broken" does not split
  EXPECT_EQ(connector->storeCalls, 4);
  connector->groups.pop_back();
  connector->storeCalls = 0;
  EXPECT_TRUE(connector->removeAll());
  EXPECT_EQ(connector->storeCalls, 4);
  // removeAll drops the lists; the next use loads them from the store.
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 2);
}

TEST_F(Registry, LaunchingRecordsTheProcessUnderTheInstanceItWasAskedFor) {
  TempDir dir;
  connector->add("name-1.0", (dir / "Missing.app").c_str());
  // The launch fails; the entry for the instance is made all the same.
  EXPECT_FALSE(connector->launchTarget("name_2-1.0", "", true, nullptr));
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 2);
  EXPECT_EQ(text(connector->getApplicationSpecifier(1)), "name_2-1.0");
  EXPECT_EQ(text(connector->getApplicationPath("name_2-1.0", nullptr)), dir / "Missing.app");
  EXPECT_FALSE(connector->launchTarget("unknown-1.0", "", true, nullptr));
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 2);

  // A real bundle whose program ends at once.
  const std::string bundle = dir / "Quick.app";
  std::filesystem::create_directories(bundle + "/Contents/MacOS");
  TempDir::write(bundle + "/Contents/Info.plist",
                 "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                 "<key>CFBundleExecutable</key><string>quick</string></dict></plist>\n");
  TempDir::write(bundle + "/Contents/MacOS/quick", "#!/bin/sh\nexit 0\n");
  std::filesystem::permissions(bundle + "/Contents/MacOS/quick", std::filesystem::perms::owner_all);
  connector->add("quick-1.0", bundle.c_str());
  connector->clearCache();
  EXPECT_TRUE(connector->launchTarget("quick-1.0", "", false, nullptr));
  EXPECT_NE(connector->getProcessID("quick-1.0"), 0u);
  EXPECT_TRUE(connector->launchTarget("quick_5-1.0", "", false, nullptr));
  EXPECT_NE(connector->getProcessID("quick_5-1.0"), 0u);
}

TEST_F(Registry, NothingRunsSoNothingIsRegisteredAsRunning) {
  EXPECT_FALSE(connector->registerRunningApps());
  EXPECT_TRUE(connector->updateCache(false));
  EXPECT_FALSE(connector->updateCache(true));
}

TEST_F(Registry, CompletionAndLookupsFromManyThreads) {
  for (int i = 0; i < 20; ++i) connector->add(("app" + std::to_string(i) + "-1.0").c_str());
  connector->group("wb/1/app1-1.0").group("wb/1/app2-1.0");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 30; ++i) {
        const std::string name = "app" + std::to_string((i + t) % 20);
        EXPECT_EQ(text(Specifier(name.c_str(), true)), name + "-1.0");
        EXPECT_EQ(text(connector->findPreferredApp("app1-1.0", "app2", "wb")), "app2-1.0");
        if (i % 10 == t) connector->clearCache();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
