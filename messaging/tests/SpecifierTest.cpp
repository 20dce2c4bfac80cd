#include "messaging/Specifier.h"

#include <gtest/gtest.h>

#include <string>

#include "messaging/ArborTalkConnector.h"
#include "messaging/InterAppStream.h"
#include "messaging/Message.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MemoryConnector.h"
#include "messaging/tests/MessagingFixture.h"
#include "messaging/tests/StreamTestSupport.h"
#include "platform/os/ArchiveSupport.h"

using Velt::VtString;
using Specifier = Velt::ArborTalk::Specifier;

namespace {

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

TEST(Specifier, TakesTheTextApart) {
  const struct {
    const char* text;
    const char* expected;  // the lower-cased text
    const char* name;
    const char* instance;
    const char* version;
    const char* locale;
    const char* suffix;
  } cases[] = {
      {"Lumen-9.0-EN_US", "lumen-9.0-en_us", "lumen", "", "9.0", "en_us", ""},
      {"plexo-5.0#thread", "plexo-5.0#thread", "plexo", "", "5.0", "", "thread"},
      {"lumen_3-9.0-en_us", "lumen_3-9.0-en_us", "lumen", "3", "9.0", "en_us", ""},
      // A "_" after a "-" belongs to the locale.
      {"lumen-9.0-en_us", "lumen-9.0-en_us", "lumen", "", "9.0", "en_us", ""},
      {"lumen-beta", "lumen-beta", "lumen", "", "", "beta", ""},
      {"lumen-en_us", "lumen-en_us", "lumen", "", "", "en_us", ""},
      {"lumen-9.0", "lumen-9.0", "lumen", "", "9.0", "", ""},
      {"lumen", "lumen", "lumen", "", "", "", ""},
      {"lumen_2", "lumen_2", "lumen", "2", "", "", ""},
      {"lumen_2#ping", "lumen_2#ping", "lumen", "2", "", "", "ping"},
      {"lumen#x-9.0", "lumen#x-9.0", "lumen", "", "", "", "x-9.0"},
      {"lumen-9.0#a#b", "lumen-9.0#a#b", "lumen", "", "9.0", "", "a#b"},
      {"lumen-9.0-en_us-x", "lumen-9.0-en_us-x", "lumen", "", "9.0", "en_us-x", ""},
      {"a_b_c-1", "a_b_c-1", "a", "b_c", "1", "", ""},
      {"", "", "", "", "", "", ""},
  };
  for (const auto& c : cases) {
    for (bool complete : {false, true}) {
      SCOPED_TRACE(std::string(c.text) + (complete ? " completed" : ""));
      const Specifier s(c.text, complete);
      EXPECT_EQ(text(s), c.expected);
      EXPECT_EQ(text(s.appName()), c.name);
      EXPECT_EQ(text(s.instance()), c.instance);
      EXPECT_EQ(text(s.version()), c.version);
      EXPECT_EQ(text(s.locale()), c.locale);
      EXPECT_EQ(text(s.suffix()), c.suffix);
    }
  }
}

TEST(Specifier, TextsOf256BytesOrNoneAreRefused) {
  const std::string longest = "a-1.0-" + std::string(249, 'x');
  ASSERT_EQ(longest.size(), 255u);
  EXPECT_EQ(text(Specifier(longest.c_str(), false)), longest);
  EXPECT_EQ(text(Specifier((longest + "y").c_str(), false)), "");
  EXPECT_EQ(text(Specifier((longest + "y").c_str(), true)), "");
  EXPECT_EQ(text(Specifier(nullptr, true)), "");
  const Specifier empty;
  EXPECT_FALSE(empty.isInstalled());
  EXPECT_FALSE(empty.isRunning());
  EXPECT_FALSE(empty.isBusy());
}

TEST(Specifier, SettersRebuildTheText) {
  Specifier s("lumen_2-9.0-en_us#thread", false);
  EXPECT_TRUE(s.setSuffix("ping"));
  EXPECT_EQ(text(s), "lumen_2-9.0-en_us#ping");
  EXPECT_TRUE(s.setInstance(""));
  EXPECT_EQ(text(s), "lumen-9.0-en_us#ping");
  EXPECT_TRUE(s.setAppName("Emberly"));  // setters keep the case they are given
  EXPECT_EQ(text(s), "Emberly-9.0-en_us#ping");
  EXPECT_TRUE(s.setSuffix(""));
  EXPECT_TRUE(s.setInstance("7"));
  EXPECT_EQ(text(s), "Emberly_7-9.0-en_us");
}

// A registry in memory, current for the test, with the user in en_US.
class Completion : public ::testing::Test {
 protected:
  Completion() : connector(new MemoryConnector), scope(connector) {}

  std::string complete(const char* what) { return text(Specifier(what, true)); }

  // Probes of fixed names reach no other process.
  ScopedFakeStreams fakes;
  ScopedLocale locale{"en_US"};
  MemoryConnector* connector;
  ScopedConnector scope;
};

TEST_F(Completion, PrefersTheNewestVersionThenTheUsersLocaleInRegistryOrder) {
  connector->add("lumen-9.0-en_us").add("lumen-10.0-de_de").add("lumen-9.5-en_us");
  // 9.5 comes after the newer 10.0 and is skipped, so the locale match
  // found first wins.
  EXPECT_EQ(complete("lumen"), "lumen-9.0-en_us");
  EXPECT_EQ(complete("Lumen#thread"), "lumen-9.0-en_us#thread");
  EXPECT_EQ(complete("lumen_3"), "lumen_3-9.0-en_us");
  EXPECT_EQ(complete("Unknown"), "unknown");
}

TEST_F(Completion, NeverChoosesVersion99OrAboveAsTheNewest) {
  connector->add("lumen-99.0-en_us").add("lumen-10.0-en_us").add("lumen-150-en_us");
  EXPECT_EQ(complete("lumen"), "lumen-10.0-en_us");
  // Asked for exactly, it is found.
  EXPECT_EQ(complete("lumen-99"), "lumen-99.0-en_us");
}

TEST_F(Completion, AGivenVersionPrefersTheUsersLocale) {
  connector->add("lumen-10.0-de_de").add("lumen-10.0-en_us");
  EXPECT_EQ(complete("lumen-10"), "lumen-10.0-en_us");
  connector->apps.pop_back();
  connector->clearCache();
  EXPECT_EQ(complete("lumen-10"), "lumen-10.0-de_de");
  // A locale that is given is not searched for.
  EXPECT_EQ(complete("lumen-10.0-fr_fr"), "lumen-10.0-fr_fr");
  EXPECT_EQ(complete("lumen-fr_fr"), "lumen-fr_fr");
}

TEST_F(Completion, TheUsersLocaleComesFromTheSettings) {
  ScopedLocale german("de_DE.UTF-8");
  connector->add("lumen-10.0-en_us").add("lumen-10.0-de_de");
  EXPECT_EQ(complete("lumen"), "lumen-10.0-de_de");
}

TEST_F(Completion, WithoutAConnectorOnlyTheCaseChanges) {
  Velt::ArborTalkConnector::set(nullptr);
  EXPECT_EQ(complete("Lumen"), "lumen");
  EXPECT_FALSE(Specifier("lumen-9.0-en_us", false).isInstalled());
}

TEST_F(Completion, SetVersionFindsExactOrHighestUpToALimit) {
  connector->add("tool-1.0").add("tool-2.5").add("tool-3.0-de_de").add("tool-3.5").add("tool-4.0");
  const struct {
    const char* request;
    bool found;
    const char* result;
  } cases[] = {
      {"2.5", true, "tool-2.5#x"},   {"2.50", true, "tool-2.5#x"},  // compared as numbers
      {"3.0", false, "tool#x"},                                     // only in another locale
      {"-3.99", true, "tool-3.5#x"},                                // the highest up to 3.99
      {"-2", true, "tool-1.0#x"},    {"-0.5", false, "tool#x"},    {"7", false, "tool#x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    Specifier s("tool#x", false);
    EXPECT_EQ(s.setVersion(c.request), c.found);
    EXPECT_EQ(text(s), c.result);
  }
}

TEST_F(Completion, SetLocaleTakesAMatchingEntry) {
  connector->add("tool-1.0-de_de").add("tool-1.0").add("tool-2.0-en_us");
  Specifier s("tool-1.0", false);
  EXPECT_TRUE(s.setLocale("de_de"));
  EXPECT_EQ(text(s), "tool-1.0-de_de");
  // No entry of 1.0 in French: the entry without a locale serves.
  EXPECT_TRUE(s.setLocale("fr_fr"));
  EXPECT_EQ(text(s), "tool-1.0");
  Specifier other("tool-3.0", false);
  EXPECT_FALSE(other.setLocale("en_us"));
  EXPECT_EQ(text(other), "tool-3.0");
}

TEST_F(Completion, TheCallerPrefersTheVersionOfItsGroupEdition) {
  connector->add("arbor").add("pixmere-10.0-en_us").add("pixmere-11.0-en_us");
  connector->group("wb/3/pixmere-10.0").group("wb/3/arbor-1.0").group("wb/4/pixmere-11.0");
  // Without a context there is no preference: the newest wins.
  EXPECT_EQ(complete("pixmere"), "pixmere-11.0-en_us");
  ScopedContext context("arbor");
  EXPECT_EQ(complete("pixmere"), "pixmere-10.0-en_us");
  EXPECT_EQ(complete("pixmere#thread"), "pixmere-10.0-en_us#thread");
  // A version that is given is taken.
  EXPECT_EQ(complete("pixmere-11.0"), "pixmere-11.0-en_us");
  EXPECT_EQ(text(Specifier("arbor", false).group()), "wb");
  VtString edition("stale");
  EXPECT_EQ(text(Specifier("arbor", false).group(&edition)), "wb");
  EXPECT_EQ(text(edition), "3");
  EXPECT_EQ(text(Specifier("arbor", false).preferred("pixmere", "")), "pixmere-10.0-en_us");
  EXPECT_EQ(text(Specifier("arbor", false).preferred("nothing", "")), "nothing");
}

TEST_F(Completion, RunningMeansThisApplicationOrALaunchedProcess) {
  connector->add("lumen-9.0-en_us").add("emberly-9.0");
  EXPECT_FALSE(Specifier("lumen-9.0-en_us", false).isRunning());
  ScopedContext context("lumen-9.0");
  // The application asks about itself.
  EXPECT_TRUE(Specifier("lumen-9.0-en_us", false).isRunning());
  EXPECT_FALSE(Specifier("emberly-9.0", false).isRunning());
  // A process the connector launched, while it lives.
  ASSERT_TRUE(connector->setProcessID("emberly-9.0", static_cast<uint32_t>(platform::processId())));
  EXPECT_TRUE(Specifier("emberly-9.0", false).isRunning());
  EXPECT_FALSE(Specifier("emberly-9.0#thread", false).isRunning());
  // A running copy is preferred over the newest.
  connector->add("emberly-10.0");
  connector->clearCache();
  ASSERT_TRUE(connector->setProcessID("emberly-9.0", static_cast<uint32_t>(platform::processId())));
  EXPECT_EQ(complete("emberly"), "emberly-9.0");
}

TEST_F(Completion, RegistryQueriesGoThroughTheConnector) {
  connector->add("lumen-9.0-en_us", "/Apps/Lumen.app");
  const Specifier s("lumen-9.0-en_us#thread", false);
  EXPECT_EQ(text(s.getApplicationPath()), "/Apps/Lumen.app");
  EXPECT_TRUE(s.isInstalled());
  EXPECT_FALSE(Specifier("lumen-8.0", false).isInstalled());
  // Registration needs the shared context.
  const Specifier tool("tool-1.0", false);
  EXPECT_FALSE(tool.registerApplication("/Apps/Tool.app"));
  ScopedContext context("plexo-5.0");
  EXPECT_TRUE(tool.registerApplication("/Apps/Tool.app"));
  EXPECT_TRUE(tool.isInstalled());
  EXPECT_TRUE(tool.unregisterApplication());
  EXPECT_FALSE(tool.isInstalled());
  EXPECT_TRUE(tool.addToGroup("wb"));
  EXPECT_TRUE(tool.removeFromGroup("wb"));
}

TEST_F(Completion, SetGroupCompletesTheNameWithTheGroup) {
  connector->add("lumen-9.0-en_us");
  Specifier s("lumen_2-8.0-de_de#x", false);
  EXPECT_TRUE(s.setGroup("9"));
  EXPECT_EQ(text(s), "lumen-9.0-en_us");
}

// Real ports of names of this test's own; the library's process stream
// is one of them too.
class Probe : public MessagingTest {
 protected:
  Probe() { Velt::InterAppStream::InitTerm::init(uniqueSpecifier("self")); }
  ~Probe() override { Velt::InterAppStream::InitTerm::exit(); }

  // The one message that reached stream.
  static void take(Velt::BaseInterAppStream& stream, Velt::ArborTalk::Message& message) {
    EXPECT_TRUE(stream.messagePending());
    EXPECT_TRUE(stream.receive());
    const VtString texts = stream.getMessages();
    message.readFromString(texts.get(), static_cast<size_t>(texts.length()));
    EXPECT_FALSE(stream.messagePending());
  }

  ScopedLocale locale{"en_US"};
  MemoryConnector* connector = new MemoryConnector;
  ScopedConnector scope{connector};
};

TEST_F(Probe, ATargetRunsWhenItsThreadOrItsOwnPortTakesAProbe) {
  const std::string app = text(uniqueSpecifier("probed")) + "-1.0";
  EXPECT_FALSE(Specifier(app.c_str(), false).isRunning());
  EXPECT_FALSE(Specifier((app + "#x").c_str(), false).isRunning());

  // Without a suffix the background thread's port is asked, with a "ping".
  auto thread = makeStream(vt(app + "#thread"));
  ASSERT_TRUE(thread->isGood());
  EXPECT_TRUE(Specifier(app.c_str(), false).isRunning());
  Velt::ArborTalk::Message ping;
  take(*thread, ping);
  EXPECT_EQ(bytes(ping.mTarget), app + "#thread");
  EXPECT_EQ(bytes(ping.mType), "ping");
  // Without a context the sender is "Unknown" and the time.
  EXPECT_EQ(bytes(ping.mSender).rfind("Unknown", 0), 0u) << bytes(ping.mSender);
  EXPECT_EQ(bytes(ping.mSender).substr(bytes(ping.mSender).size() - 5), "#ping");

  // With a suffix the port of the specifier itself, with an "Orrery".
  EXPECT_FALSE(Specifier((app + "#x").c_str(), false).isRunning());
  auto endpoint = makeStream(vt(app + "#x"));
  EXPECT_TRUE(Specifier((app + "#x").c_str(), false).isRunning());
  Velt::ArborTalk::Message orrery;
  take(*endpoint, orrery);
  EXPECT_EQ(bytes(orrery.mType), "Orrery");
  EXPECT_EQ(bytes(orrery.mTarget), app + "#x");
}

TEST_F(Probe, TheSenderIsTheCallerOrANumberedNameWhenThatIsTaken) {
  const std::string caller = text(uniqueSpecifier("caller")) + "-2.0";
  const std::string app = text(uniqueSpecifier("target")) + "-1.0";
  ScopedContext context(caller.c_str());
  auto thread = makeStream(vt(app + "#thread"));
  ASSERT_TRUE(Specifier(app.c_str(), false).isRunning());
  Velt::ArborTalk::Message ping;
  take(*thread, ping);
  EXPECT_EQ(bytes(ping.mSender), caller + "#ping");
  EXPECT_GT(ping.mSerialNumber, 0u);

  auto taker = makeStream(vt(caller + "#ping"));
  ASSERT_TRUE(taker->isGood());
  ASSERT_TRUE(Specifier(app.c_str(), false).isRunning());
  Velt::ArborTalk::Message retried;
  take(*thread, retried);
  const std::string sender = bytes(retried.mSender);
  EXPECT_EQ(sender.rfind(caller + "_", 0), 0u) << sender;
  EXPECT_EQ(sender.substr(sender.size() - 5), "#ping") << sender;
  EXPECT_NE(sender, caller + "#ping");
  // The caller asking about itself needs no probe.
  EXPECT_TRUE(Specifier(caller.c_str(), false).isRunning());
  EXPECT_FALSE(thread->messagePending());
}

// Known applications that answer a probe are registered as running; fake
// ports keep their fixed names apart from other test runs.
TEST_F(Probe, RunningKnownApplicationsAreRegistered) {
  ScopedFakeStreams fakes;
  Velt::InterAppStream::InitTerm::init(uniqueSpecifier("self"));
  connector->add("lumen-9.0-en_us");
  EXPECT_FALSE(connector->registerRunningApps());
  auto arbor = makeStream(vt("arbor-2.0#thread"));
  auto lumen = makeStream(vt("lumen-9.0-en_us#thread"));  // registered already
  EXPECT_TRUE(connector->registerRunningApps());
  EXPECT_EQ(text(connector->getApplicationPath("arbor-2.0", nullptr)), "(running)");
  EXPECT_TRUE(connector->supportsORKT("arbor-2.0"));
  EXPECT_EQ(connector->getNumberOfRegisteredApplications(), 2);
}

}  // namespace
