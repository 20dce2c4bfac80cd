#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/ArborTalkConnector.h"
#include "messaging/Specifier.h"
#include "messaging/tests/FakeInterAppStream.h"
#include "messaging/tests/MemoryConnector.h"

using Velt::VtString;
using Specifier = Velt::ArborTalk::Specifier;

namespace {

std::string text(const VtString& s) {
  return std::string(s.get(), static_cast<size_t>(s.length()));
}

class Groups : public ::testing::Test {
 protected:
  Groups() : connector(new MemoryConnector), scope(connector) {}

  std::string groupOf(const char* specifier, std::string* edition = nullptr) {
    VtString out("stale");
    const VtString group = connector->findGroupForSpecifier(Specifier(specifier, false), &out);
    if (edition) *edition = text(out);
    return text(group);
  }
  std::string preferred(const char* caller, const char* target, const char* group) {
    return text(connector->findPreferredApp(caller, target, group));
  }

  // Probes of fixed names reach no other process.
  ScopedFakeStreams fakes;
  ScopedLocale locale{"en_US"};
  MemoryConnector* connector;
  ScopedConnector scope;
};

TEST_F(Groups, TheGroupOfASpecifierIsTheOneWithTheHighestEdition) {
  connector->add("arbor-2.0").add("arbor");
  connector->group("wb/3/arbor-2.0").group("wb/4/arbor-2.0").group("zz/4/arbor-2.0");
  connector->group("old/0/arbor-2.0").group("x/arbor-2.0").group("cs/2/tool-1.0");
  std::string edition;
  // Between equal editions the later entry wins.
  EXPECT_EQ(groupOf("arbor-2.0", &edition), "zz");
  EXPECT_EQ(edition, "4");
  // Without a version the member is looked for as version 1.0.
  EXPECT_EQ(groupOf("tool", &edition), "cs");
  EXPECT_EQ(edition, "2");
  EXPECT_EQ(groupOf("arbor-3.0", &edition), "");
  EXPECT_EQ(edition, "");
  connector->groups.clear();
  connector->clearCache();
  EXPECT_EQ(groupOf("arbor-2.0"), "");
}

TEST_F(Groups, TheTargetInTheCallersEditionIsPreferred) {
  connector->add("pixmere-10.0-en_us").add("pixmere-11.0-en_us").add("arbor-2.0").add("arbor-3.0");
  connector->group("wb/3/pixmere-10.0")
      .group("wb/3/arbor-2.0")
      .group("wb/4/pixmere-11.0")
      .group("wb/4/arbor-3.0");
  // Edition 4 lists a newer arbor than the caller; edition 3 holds it.
  EXPECT_EQ(preferred("arbor-2.0", "pixmere", "wb"), "pixmere-10.0-en_us");
  EXPECT_EQ(preferred("arbor-3.0", "pixmere", "wb"), "pixmere-11.0-en_us");
  // A caller without a version matches every member of its application.
  EXPECT_EQ(preferred("arbor", "pixmere", "wb"), "pixmere-11.0-en_us");
  // A third argument that names no group resolves the target alone.
  EXPECT_EQ(preferred("arbor-2.0", "pixmere", "2.0"), "pixmere-11.0-en_us");
  EXPECT_EQ(preferred("", "pixmere", "wb"), "pixmere-11.0-en_us");
}

TEST_F(Groups, OfTwoTargetsInTheCallersEditionTheLaterOneWins) {
  connector->add("p-1.0").add("p-1.5").add("c-1.0");
  const struct {
    std::vector<const char*> entries;
    const char* expected;
  } cases[] = {
      {{"g/1/p-1.0", "g/1/c-1.0", "g/1/p-1.5"}, "p-1.5"},
      {{"g/1/c-1.0", "g/1/p-1.5", "g/1/p-1.0"}, "p-1.0"},
      {{"g/1/p-1.5", "g/1/p-1.0", "g/1/c-1.0"}, "p-1.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    connector->groups.assign(c.entries.begin(), c.entries.end());
    connector->clearCache();
    EXPECT_EQ(preferred("c-1.0", "p", "g"), c.expected);
  }
}

TEST_F(Groups, WithoutGroupsEverythingResolvesAlone) {
  connector->add("pixmere-10.0-en_us").add("pixmere-3.5").add("pixmere-3.9");
  EXPECT_EQ(preferred("arbor-2.0", "pixmere", "wb"), "pixmere-10.0-en_us");
  EXPECT_EQ(text(connector->findSpecifierInGroup("pixmere", "wb", "3")), "pixmere-10.0-en_us");
  // An uninstalled target is empty, unless its version ends in ".*".
  EXPECT_EQ(preferred("arbor-2.0", "pixmere-5.0", "wb"), "");
  EXPECT_EQ(preferred("arbor-2.0", "pixmere-3.*", "wb"), "pixmere-3.9");
  EXPECT_EQ(preferred("arbor-2.0", "pixmere-2.*", "wb"), "pixmere-2.*");
  EXPECT_EQ(preferred("arbor-2.0", "nothing", "wb"), "");
}

TEST_F(Groups, TheMemberOfAGroupEditionWhenItIsInstalled) {
  connector->add("lumen-9.0-en_us").add("lumen-10.0-en_us");
  connector->group("st/2/lumen-9.0").group("st/3/lumen-11.0").group("st/2/emberly-9.0");
  EXPECT_EQ(text(connector->findSpecifierInGroup("lumen", "st", "2")), "lumen-9.0-en_us");
  // Edition 3 lists a version that is not installed: the newest one.
  EXPECT_EQ(text(connector->findSpecifierInGroup("lumen", "st", "3")), "lumen-10.0-en_us");
  EXPECT_EQ(text(connector->findSpecifierInGroup("lumen", "st", "9")), "lumen-10.0-en_us");
  EXPECT_EQ(text(connector->findSpecifierInGroup("emberly", "st", "2")), "");
}

}  // namespace
