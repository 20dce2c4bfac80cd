// The library's static operations: the registry queries, choosing the
// connector, launching and raising targets, and the pump's connector
// refresh.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/SharedLib.h"
#include "messaging/Specifier.h"
#include "messaging/tests/AlertCapture.h"
#include "messaging/tests/LibraryFixture.h"
#include "testsupport/TarnFixture.h"
#include "testsupport/TempDir.h"

using Velt::ArborTalk;
using Velt::ArborTalkConnector;
using Velt::VtString;

namespace {

// A registry that records launches and raises instead of doing them.
class LaunchRecorder : public MemoryConnector {
 public:
  using MemoryConnector::MemoryConnector;
  bool launchTarget(const VtString& specifier, const VtString& parameters, bool toFront,
                    Velt::ArborTalkContext*) override {
    launches.push_back(bytes(specifier) + "|" + bytes(parameters) + (toFront ? "|front" : "|back"));
    return launchSucceeds;
  }
  void bringToFront(const char* specifier, Velt::ArborTalkContext*) const override {
    raised.push_back(specifier);
  }

  bool launchSucceeds = true;
  std::vector<std::string> launches;
  mutable std::vector<std::string> raised;
};

class Facade : public LibraryTest {
 protected:
  Facade() {
    ArborTalkConnector::set(recorder = new LaunchRecorder(appName.c_str()));
    registry = recorder;
  }

  // The library with its main instance; background passes only on demand.
  void startWithMain() {
    ASSERT_TRUE(start());
    stopBackground();
    new ArborTalk(appName.c_str(), nullptr, true);  // the context owns it
  }
  std::string launchKey(const char* target) {
    return bytes(ArborTalk::Thread::getPingValue(VtString("LAUNCHPARAMS:") << target));
  }

  LaunchRecorder* recorder = nullptr;
  AlertCapture alerts;
};

}  // namespace

TEST_F(Facade, RegistryQueriesAnswerFromTheCurrentConnectorOnly) {
  recorder->add("tool-1.0", "/Apps/Tool.app").add("other-2.0");
  EXPECT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 2);
  EXPECT_EQ(bytes(ArborTalk::getApplicationSpecifier(1)), "other-2.0");
  EXPECT_EQ(bytes(ArborTalk::getApplicationSpecifier(2)), "");
  EXPECT_EQ(bytes(ArborTalk::getDisplayName("tool", "1.0", "")), "Tool");

  ArborTalkConnector::set(nullptr);
  EXPECT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 0);
  EXPECT_EQ(bytes(ArborTalk::getApplicationSpecifier(0)), "");
  EXPECT_EQ(bytes(ArborTalk::getDisplayName("tool", "1.0", "")), "");
}

TEST_F(Facade, UseConnectorRefreshesEmptiesOrKeepsTheCurrentOne) {
  recorder->add("tool-1.0");
  ASSERT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 1);
  const int loads = recorder->loads;
  EXPECT_TRUE(ArborTalk::useConnector("refresh"));
  EXPECT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 1);
  EXPECT_EQ(recorder->loads, loads + 1);

  // Its own name keeps it; a name no connector has leaves it in place.
  EXPECT_TRUE(ArborTalk::useConnector("memory"));
  EXPECT_FALSE(ArborTalk::useConnector("XML"));
  EXPECT_EQ(ArborTalkConnector::get(), recorder);

  recorder->storeRefuses = true;
  EXPECT_FALSE(ArborTalk::useConnector("removeAll"));
  recorder->storeRefuses = false;
  EXPECT_TRUE(ArborTalk::useConnector("removeAll"));
  EXPECT_EQ(ArborTalkConnector::get(), recorder);
}

TEST_F(Facade, LaunchLimitsAreCheckedBeforeAnythingElse) {
  // Without a context a launch within the limits gets as far as the alert.
  const std::string longest(256, 'a');
  const std::string tooLong(257, 'a');
  const std::string parameters(65536, 'p');
  const std::string tooManyParameters(65537, 'p');
  const struct {
    const std::string& specifier;
    const std::string& parameters;
    int alerts;
  } cases[] = {
      {longest, "", 1},
      {tooLong, "", 0},
      {appName, parameters, 1},
      {appName, tooManyParameters, 0},
  };
  for (const auto& c : cases) {
    AlertCapture scoped;
    EXPECT_FALSE(
        ArborTalk::launchTarget(c.specifier.c_str(), c.parameters.c_str(), ArborTalk::kFront));
    EXPECT_EQ(scoped.count("ArborTalk::launchTarget: no context."), c.alerts)
        << c.specifier.size() << " " << c.parameters.size();
  }
  EXPECT_FALSE(ArborTalk::launchTarget(nullptr, nullptr, ArborTalk::kFront));
}

TEST_F(Facade, LaunchHandsTheTargetItsArgumentsUnlessTheyAreSuppressed) {
  recorder->add("peer-1.0").add("docuvane-8.0");
  startWithMain();
  const struct {
    const char* target;
    const char* parameters;
    ArborTalk::Focus focus;
    const char* launched;
  } cases[] = {
      {"peer-1.0", nullptr, ArborTalk::kFront,
       "peer-1.0|-specifier peer-1.0 -nostartupscreen|front"},
      {"peer-1.0", "-open a.txt", ArborTalk::kBackground,
       "peer-1.0|-specifier peer-1.0 -nostartupscreen -open a.txt|back"},
      {"peer_2-1.0#thread", "", ArborTalk::kFront,
       "peer_2-1.0|-specifier peer_2-1.0 -nostartupscreen -instance 2|front"},
      {"peer-1.0", "-x -noparam", ArborTalk::kFront, "peer-1.0||front"},
      {"docuvane-8.0", "-x", ArborTalk::kFront, "docuvane-8.0||front"},
  };
  for (const auto& c : cases) {
    recorder->launches.clear();
    EXPECT_TRUE(ArborTalk::launchTarget(c.target, c.parameters, c.focus)) << c.target;
    EXPECT_EQ(recorder->launches, std::vector<std::string>{c.launched});
  }
  // The arguments wait for the launched application under its base name,
  // also when they were not handed over.
  EXPECT_EQ(launchKey("peer-1.0"), "-specifier peer-1.0 -nostartupscreen -x -noparam");

  // A failed launch takes them away again.
  recorder->launchSucceeds = false;
  EXPECT_FALSE(ArborTalk::launchTarget("peer-1.0", "-y", ArborTalk::kFront));
  EXPECT_EQ(launchKey("peer-1.0"), "");

  // Neither the application itself nor what is not registered is launched.
  recorder->launches.clear();
  EXPECT_FALSE(ArborTalk::launchTarget(appName.c_str(), "", ArborTalk::kFront));
  EXPECT_EQ(alerts.count("ArborTalk::launchTarget: won't launch source app."), 1);
  EXPECT_FALSE(ArborTalk::launchTarget("nowhere-1.0", "", ArborTalk::kFront));
  EXPECT_TRUE(recorder->launches.empty());
}

TEST_F(Facade, LaunchNeedsTheMainInstance) {
  recorder->add("peer-1.0");
  ASSERT_TRUE(start());
  stopBackground();
  EXPECT_FALSE(ArborTalk::launchTarget("peer-1.0", "", ArborTalk::kFront));
  EXPECT_EQ(alerts.count("ArborTalk::launchTarget: no main ArborTalk instance."), 1);
  EXPECT_TRUE(recorder->launches.empty());
}

TEST_F(Facade, BringToFrontGoesThroughTheConnectorOfTheContext) {
  ArborTalk::bringToFront("peer-1.0");
  EXPECT_EQ(alerts.count("ArborTalk::launchTarget: no context."), 1);
  EXPECT_TRUE(recorder->raised.empty());
  ASSERT_TRUE(start());
  ArborTalk::bringToFront("peer-1.0");
  EXPECT_EQ(recorder->raised, std::vector<std::string>{"peer-1.0"});
}

TEST_F(Facade, ThePumpRefreshesTheConnectorAtMostOnceAMinute) {
  recorder->add("tool-1.0");
  startWithMain();
  // Each refresh empties the registry's cache, so the next question loads
  // it again.
  auto refreshed = [&] {
    const int loads = recorder->loads;
    (void)ArborTalk::pump(ArborTalk::kBoth);
    (void)ArborTalk::getNumberOfRegisteredApplications();
    return recorder->loads > loads;
  };
  EXPECT_TRUE(refreshed());
  EXPECT_FALSE(refreshed());
  clock.advance(59'999);
  EXPECT_FALSE(refreshed());
  clock.advance(1);
  EXPECT_TRUE(refreshed());
  clock.advance(30'000);
  EXPECT_FALSE(refreshed());
  // A stopped and restarted library refreshes at its first pump.
  ASSERT_TRUE(ArborTalk::InitTerm::exit());
  startWithMain();
  // The stopped library took its registry along.
  ArborTalkConnector::set(recorder = new LaunchRecorder(appName.c_str()));
  recorder->add("tool-1.0");
  EXPECT_TRUE(refreshed());
}

TEST_F(Facade, PingValuesLiveInTheMainBackgroundThread) {
  EXPECT_FALSE(ArborTalk::Thread::setPingValue("COLOUR", "blue"));
  EXPECT_EQ(bytes(ArborTalk::Thread::getPingValue("COLOUR")), "");
  EXPECT_EQ(bytes(ArborTalk::Thread::ping(appName.c_str(), nullptr, 2, nullptr)), "");
  ASSERT_TRUE(start());
  EXPECT_TRUE(ArborTalk::Thread::setPingValue("COLOUR", "blue"));
  EXPECT_EQ(bytes(ArborTalk::Thread::getPingValue("COLOUR")), "blue");
  auto* handler = new RecordingHandler("COLOUR");
  EXPECT_TRUE(ArborTalk::Thread::setPingHandler("COLOUR", handler));
  EXPECT_EQ(ArborTalk::Thread::getPingHandler("COLOUR"), handler);
  EXPECT_EQ(ArborTalk::Thread::getPingHandler("SHAPE"), nullptr);
}

// The product database as the connector of the library.
class FacadeWithDatabase : public Facade {
 protected:
  FacadeWithDatabase() {
    Velt::ArborTalkUtils::SharedLib::setApplicationBundle(PLEXAR_BINARY_DIR "/Plexar.app");
    tarn.registerApplication(appName, {{"Specifier", appName},
                                       {"Path", "/Apps/Me.app"},
                                       {"MessageAuthentication", "false"},
                                       {"MessageDigest", "true"}});
    tarn.registerApplication("stored-1.0", {{"Specifier", "stored-1.0"}, {"Path", "/Apps/S.app"}});
    tarn.addGroupEntry("wb/3/stored-1.0");
  }
  ~FacadeWithDatabase() override {
    ArborTalkConnector::set(nullptr);
    Velt::ArborTalkUtils::SharedLib::setApplicationBundle("");
  }

  TempDir dir;
  testsupport::TarnFixture tarn{dir.path()};
};

TEST_F(FacadeWithDatabase, TheDefaultConnectorSetsTheMessageSwitchesOfThisApplication) {
  ASSERT_TRUE(start());
  ASSERT_TRUE(Velt::ArborTalk::Message::getAuthentication());
  for (const char* name : {"", "default", "PDB"}) {
    EXPECT_TRUE(ArborTalk::useConnector(name)) << name;
    ASSERT_NE(ArborTalkConnector::get(), nullptr);
    EXPECT_EQ(bytes(ArborTalkConnector::get()->getName()), "PDB");
  }
  EXPECT_FALSE(Velt::ArborTalk::Message::getAuthentication());
  EXPECT_TRUE(Velt::ArborTalk::Message::getCreateDigest());
  EXPECT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 2);
}

TEST_F(FacadeWithDatabase, ConfigurationAndImportByConnectorName) {
  recorder->add("mine-1.0");
  ASSERT_TRUE(start());
  // The current registry answers for its own name, a temporary one for
  // any other.
  const std::string own = bytes(ArborTalk::getConnectorConfig("memory", "mine-1.0"));
  EXPECT_NE(own.find("<Data key=\"Specifier\">mine-1.0</Data>"), std::string::npos) << own;
  const std::string groups = bytes(ArborTalk::getConnectorConfig("PDB", "groups"));
  EXPECT_NE(groups.find("<Data key=\"Group000\">/vesko/arbortalk/groups/wb/3/stored-1.0</Data>"),
            std::string::npos)
      << groups;
  EXPECT_EQ(bytes(ArborTalk::getConnectorConfig("XML", "groups")), "");

  EXPECT_FALSE(ArborTalk::importFromConnector("memory"));
  EXPECT_FALSE(ArborTalk::importFromConnector("XML"));
  EXPECT_TRUE(ArborTalk::importFromConnector("default"));
  EXPECT_EQ(ArborTalk::getNumberOfRegisteredApplications(), 3);
  EXPECT_EQ(recorder->grouped, std::vector<std::string>{"wb/3/stored-1.0"});
  // The registry of this application now says how its messages go.
  EXPECT_FALSE(Velt::ArborTalk::Message::getAuthentication());
}

TEST_F(FacadeWithDatabase, WithoutAConnectorTheCacheUpdateMakesTheDefaultOne) {
  ArborTalkConnector::set(nullptr);
  const bool updated = ArborTalk::updateConnectorCache(false);
  ArborTalkConnector* made = ArborTalkConnector::get();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(bytes(made->getName()), "PDB");
  EXPECT_EQ(updated, made->updateCache(false));
}
