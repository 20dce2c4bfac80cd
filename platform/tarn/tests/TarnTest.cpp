#include "platform/tarn/Tarn.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/os/DynamicLibrary.h"
#include "platform/tarn/TarnConfig.h"
#include "testsupport/TarnFixture.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::TarnFixture;

// The library's functions, bound by name as its callers bind them.
struct Tarn {
  explicit Tarn(const TarnFixture& fixture)
      : Tarn([&](const char* name) { return fixture.function(name); }) {}
  template <class Lookup>
  explicit Tarn(Lookup lookup)
      : pdbOpen(reinterpret_cast<pdbOpenSessionNoCreateFunc>(lookup("pdbOpenSessionNoCreate"))),
        pdbClose(reinterpret_cast<pdbCloseSessionFunc>(lookup("pdbCloseSession"))),
        subdomains(
            reinterpret_cast<pdbGetDomainDataSubdomainsFunc>(lookup("pdbGetDomainDataSubdomains"))),
        keys(reinterpret_cast<pdbGetDomainDataKeysFunc>(lookup("pdbGetDomainDataKeys"))),
        get(reinterpret_cast<pdbGetDomainDataFunc>(lookup("pdbGetDomainData"))),
        set(reinterpret_cast<pdbSetDomainDataFunc>(lookup("pdbSetDomainData"))),
        remove(reinterpret_cast<pdbRemoveDomainDataFunc>(lookup("pdbRemoveDomainData"))),
        tarnOpen(reinterpret_cast<tarnOpenSessionFunc>(lookup("tarnOpenSession"))),
        tarnClose(reinterpret_cast<tarnCloseSessionFunc>(lookup("tarnCloseSession"))),
        collectionPayloads(
            reinterpret_cast<tarnGetCollectionPayloadsFunc>(lookup("tarnGetCollectionPayloads"))),
        payloadKeys(reinterpret_cast<tarnGetPayloadDataKeysFunc>(lookup("tarnGetPayloadDataKeys"))),
        payloadData(reinterpret_cast<tarnGetPayloadDataFunc>(lookup("tarnGetPayloadData"))),
        payloads(reinterpret_cast<tarnGetPayloadsFunc>(lookup("tarnGetPayloads"))),
        tarnTime(reinterpret_cast<tarnGetLastModTimeFunc>(lookup("tarnGetLastModTime"))),
        pdbTime(reinterpret_cast<pdbGetLastModTimeFunc>(lookup("pdbGetLastModTime"))),
        testPaths(
            reinterpret_cast<tarnTestSetDatabasePathsFunc>(lookup("tarnTestSetDatabasePaths"))) {}

  bool complete() const {
    return pdbOpen && pdbClose && subdomains && keys && get && set && remove && tarnOpen &&
           tarnClose && collectionPayloads && payloadKeys && payloadData && payloads && tarnTime &&
           pdbTime && testPaths;
  }

  pdbOpenSessionNoCreateFunc pdbOpen;
  pdbCloseSessionFunc pdbClose;
  pdbGetDomainDataSubdomainsFunc subdomains;
  pdbGetDomainDataKeysFunc keys;
  pdbGetDomainDataFunc get;
  pdbSetDomainDataFunc set;
  pdbRemoveDomainDataFunc remove;
  tarnOpenSessionFunc tarnOpen;
  tarnCloseSessionFunc tarnClose;
  tarnGetCollectionPayloadsFunc collectionPayloads;
  tarnGetPayloadDataKeysFunc payloadKeys;
  tarnGetPayloadDataFunc payloadData;
  tarnGetPayloadsFunc payloads;
  tarnGetLastModTimeFunc tarnTime;
  pdbGetLastModTimeFunc pdbTime;
  tarnTestSetDatabasePathsFunc testPaths;
};

std::vector<std::string> texts(tarnTextList list) {
  std::vector<std::string> out;
  for (; list && *list; ++list) out.emplace_back(*list);
  return out;
}

using Texts = std::vector<std::string>;

class TarnTest : public ::testing::Test {
 protected:
  TempDir dir;
  TarnFixture fixture{dir.path()};
  Tarn tarn{fixture};

  tarniSession openProduct() {
    tarniSession session = nullptr;
    EXPECT_EQ(tarn.pdbOpen(&session), kTarnSuccess);
    return session;
  }
  tarniSession openInstaller() {
    tarniSession session = nullptr;
    EXPECT_EQ(tarn.tarnOpen(&session), kTarnSuccess);
    return session;
  }
};

TEST_F(TarnTest, ExportsEveryFunction) {
  EXPECT_TRUE(tarn.complete());
}

TEST_F(TarnTest, ListsKeepTheOrderOfFirstInsertion) {
  tarniSession s = openProduct();
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(tarn.set(s, 1, "/z", "b", "1"), kTarnSuccess);
  ASSERT_EQ(tarn.set(s, 1, "/a", "x", "2"), kTarnSuccess);
  ASSERT_EQ(tarn.set(s, 1, "/z", "a", "3"), kTarnSuccess);
  ASSERT_EQ(tarn.set(s, 2, "/other", "k", "4"), kTarnSuccess);
  // An update keeps the key's place and its subdomain's.
  ASSERT_EQ(tarn.set(s, 1, "/z", "b", "changed"), kTarnSuccess);

  tarnTextList list = nullptr;
  ASSERT_EQ(tarn.subdomains(s, 1, &list), kTarnSuccess);
  EXPECT_EQ(texts(list), (Texts{"/z", "/a"}));
  ASSERT_EQ(tarn.keys(s, 1, "/z", &list), kTarnSuccess);
  EXPECT_EQ(texts(list), (Texts{"b", "a"}));
  const char* value = nullptr;
  ASSERT_EQ(tarn.get(s, 1, "/z", "b", &value), kTarnSuccess);
  EXPECT_STREQ(value, "changed");
  EXPECT_EQ(tarn.pdbClose(s), kTarnSuccess);
}

TEST_F(TarnTest, NoDataIsStatusEight) {
  tarniSession s = openProduct();
  ASSERT_NE(s, nullptr);
  tarnTextList list = nullptr;
  const char* value = nullptr;
  EXPECT_EQ(tarn.subdomains(s, 1, &list), kTarnNoData);
  ASSERT_EQ(tarn.set(s, 1, "/a", "k", ""), kTarnSuccess);
  EXPECT_EQ(tarn.subdomains(s, 3, &list), kTarnNoData);
  EXPECT_EQ(tarn.keys(s, 1, "/b", &list), kTarnNoData);
  EXPECT_EQ(tarn.get(s, 1, "/a", "other", &value), kTarnNoData);
  EXPECT_EQ(list, nullptr);  // a failing call leaves its out-argument alone
  EXPECT_EQ(value, nullptr);
  // An empty value is data.
  ASSERT_EQ(tarn.get(s, 1, "/a", "k", &value), kTarnSuccess);
  EXPECT_STREQ(value, "");

  EXPECT_EQ(tarn.remove(s, 1, "/a", "k"), kTarnSuccess);
  EXPECT_EQ(tarn.remove(s, 1, "/a", "k"), kTarnNoData);
  EXPECT_EQ(tarn.subdomains(s, 1, &list), kTarnNoData);
  tarn.pdbClose(s);
}

TEST_F(TarnTest, DeliveredTextsLiveUntilTheSessionCloses) {
  tarniSession s = openProduct();
  ASSERT_NE(s, nullptr);
  for (int i = 0; i < 50; ++i)
    ASSERT_EQ(tarn.set(s, 1, ("/s" + std::to_string(i)).c_str(), "k", std::to_string(i).c_str()),
              kTarnSuccess);
  tarnTextList first = nullptr;
  const char* firstValue = nullptr;
  ASSERT_EQ(tarn.subdomains(s, 1, &first), kTarnSuccess);
  ASSERT_EQ(tarn.get(s, 1, "/s0", "k", &firstValue), kTarnSuccess);
  // Many later calls, and a change of the stored value, leave them as they were.
  for (int i = 0; i < 200; ++i) {
    tarnTextList list = nullptr;
    const char* value = nullptr;
    ASSERT_EQ(tarn.subdomains(s, 1, &list), kTarnSuccess);
    ASSERT_EQ(tarn.get(s, 1, "/s1", "k", &value), kTarnSuccess);
  }
  ASSERT_EQ(tarn.set(s, 1, "/s0", "k", "new"), kTarnSuccess);
  const Texts all = texts(first);
  ASSERT_EQ(all.size(), 50u);
  EXPECT_EQ(all.front(), "/s0");
  EXPECT_EQ(all.back(), "/s49");
  EXPECT_STREQ(firstValue, "0");
  tarn.pdbClose(s);
}

TEST_F(TarnTest, InstallerPayloadsByStateAndCollection) {
  fixture.addPayload("{B}");
  fixture.addPayload("{A}");
  fixture.addPayload("{OLD}", 2);
  fixture.addToCollection("Opal", "{A}");
  fixture.addToCollection("Opal", "{OLD}");
  fixture.addToCollection("Opal", "{B}");
  fixture.setPayloadData("{A}", 4, "KMTConfigPath", "/a/b.xml");
  fixture.setPayloadData("{A}", 4, "Another", "x");
  fixture.setPayloadData("{A}", 0, "KMTConfigPath", "/zero.xml");

  tarniSession s = openInstaller();
  ASSERT_NE(s, nullptr);
  tarnTextList list = nullptr;
  ASSERT_EQ(tarn.payloads(s, kTarnInstalled, &list), kTarnSuccess);
  EXPECT_EQ(texts(list), (Texts{"{B}", "{A}"}));
  ASSERT_EQ(tarn.collectionPayloads(s, kTarnInstalled, "Opal", &list), kTarnSuccess);
  EXPECT_EQ(texts(list), (Texts{"{A}", "{B}"}));
  EXPECT_EQ(tarn.collectionPayloads(s, kTarnInstalled, "None", &list), kTarnNoData);
  ASSERT_EQ(tarn.payloadKeys(s, "{A}", 4, &list), kTarnSuccess);
  EXPECT_EQ(texts(list), (Texts{"KMTConfigPath", "Another"}));
  const char* value = nullptr;
  ASSERT_EQ(tarn.payloadData(s, "{A}", 0, "KMTConfigPath", &value), kTarnSuccess);
  EXPECT_STREQ(value, "/zero.xml");
  EXPECT_EQ(tarn.payloadData(s, "{B}", 4, "KMTConfigPath", &value), kTarnNoData);
  EXPECT_EQ(tarn.tarnClose(s), kTarnSuccess);
}

TEST_F(TarnTest, RefusesMissingFilesWrongSessionsAndNullArguments) {
  tarniSession product = openProduct();
  tarniSession installer = openInstaller();
  ASSERT_NE(product, nullptr);
  ASSERT_NE(installer, nullptr);
  tarnTextList list = nullptr;
  const char* value = nullptr;
  EXPECT_EQ(tarn.subdomains(installer, 1, &list), kTarnBadArgument);
  EXPECT_EQ(tarn.payloads(product, kTarnInstalled, &list), kTarnBadArgument);
  EXPECT_EQ(tarn.subdomains(nullptr, 1, &list), kTarnBadArgument);
  EXPECT_EQ(tarn.subdomains(product, 1, nullptr), kTarnBadArgument);
  EXPECT_EQ(tarn.get(product, 1, nullptr, "k", &value), kTarnBadArgument);
  EXPECT_EQ(tarn.set(product, 1, "/a", "k", nullptr), kTarnBadArgument);
  EXPECT_EQ(tarn.pdbClose(installer), kTarnBadArgument);
  EXPECT_EQ(tarn.pdbOpen(nullptr), kTarnBadArgument);
  EXPECT_EQ(tarn.pdbClose(product), kTarnSuccess);
  EXPECT_EQ(tarn.tarnClose(installer), kTarnSuccess);

  // Opening never creates a database.
  const std::string missing = dir / "missing.db";
  ASSERT_EQ(tarn.testPaths(missing.c_str(), missing.c_str()), kTarnSuccess);
  tarniSession session = nullptr;
  EXPECT_EQ(tarn.pdbOpen(&session), kTarnNoDatabase);
  EXPECT_EQ(tarn.tarnOpen(&session), kTarnNoDatabase);
  EXPECT_EQ(session, nullptr);
  EXPECT_FALSE(TempDir::exists(missing));
  uint32_t time = 7;
  EXPECT_EQ(tarn.pdbTime(&time), kTarnNoDatabase);

  // A file that is no database of this kind.
  TempDir::write(dir / "text.db", "not a database");
  ASSERT_EQ(tarn.testPaths(fixture.installerDatabase().c_str(), (dir / "text.db").c_str()),
            kTarnSuccess);
  EXPECT_EQ(tarn.pdbOpen(&session), kTarnDatabaseError);
  EXPECT_EQ(tarn.tarnOpen(&session), kTarnDatabaseError);
  EXPECT_EQ(session, nullptr);
}

TEST_F(TarnTest, ModificationTimesAreThoseOfTheFiles) {
  fixture.setModificationTimes(1700000000, 1600000000);
  uint32_t product = 0;
  uint32_t installer = 0;
  ASSERT_EQ(tarn.pdbTime(&product), kTarnSuccess);
  ASSERT_EQ(tarn.tarnTime(&installer), kTarnSuccess);
  EXPECT_EQ(product, 1700000000u);
  EXPECT_EQ(installer, 1600000000u);
  EXPECT_EQ(tarn.pdbTime(nullptr), kTarnBadArgument);
}

TEST(TarnConfig, ReadsPathsFromTheFileBesideTheLibrary) {
  TempDir dir;
  TarnFixture fixture(dir.path());
  // A copy of the library is a library of its own, without the fixture's
  // paths: it reads the configuration beside it.
  const std::string copy = dir / "libvesko_tarn.so";
  std::filesystem::copy_file(TarnFixture::libraryPath(), copy);
  TempDir::write(dir / "vesko_tarn.conf",
                 "# fixture\n"
                 "  product_database =  " +
                     fixture.productDatabase() +
                     "  \n"
                     "unknown = x\n"
                     "no equals sign\n");
  platform::DynamicLibrary library;
  ASSERT_TRUE(library.open(copy)) << library.error();
  Tarn tarn([&](const char* name) { return library.symbol(name); });
  ASSERT_TRUE(tarn.complete());
  tarniSession session = nullptr;
  ASSERT_EQ(tarn.pdbOpen(&session), kTarnSuccess);
  tarn.pdbClose(session);
  // The installer database stays at its built-in place, which this machine lacks.
  EXPECT_EQ(tarn.tarnOpen(&session), kTarnNoDatabase);
}

TEST(TarnConfig, ParsesKeyValueLines) {
  tarn::DatabasePaths paths{"p", "i"};
  tarn::parseConfig("installer_database=/x/i.db\r\n#product_database = /no\nproduct_database =\n",
                    paths);
  EXPECT_EQ(paths.product, "p");
  EXPECT_EQ(paths.installer, "/x/i.db");
}

}  // namespace
