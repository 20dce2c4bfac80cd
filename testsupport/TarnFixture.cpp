#include "testsupport/TarnFixture.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>

#include "platform/tarn/TarnSchema.h"

namespace testsupport {

namespace {

void runSql(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << database << ": " << sqlite3_errmsg(db);
    sqlite3_close(db);
    return;
  }
  // Fixture databases are thrown away after the test.
  sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK)
    ADD_FAILURE() << "SQL failed on " << database << ": " << (error ? error : "?") << "\n" << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

// Where an installer payload keeps its configuration path, and the keys of
// the application codes it lists.
constexpr int kPayloadDomain = 4;
constexpr char kConfigPathKey[] = "KMTConfigPath";
constexpr char kCodeKey[] = "ArborTalkCode";

// A text as an SQL literal.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

void setTime(const std::string& path, uint32_t seconds) {
  using namespace std::chrono;
  std::error_code ec;
  std::filesystem::last_write_time(path, file_clock::from_sys(sys_seconds(seconds * 1s)), ec);
  if (ec) ADD_FAILURE() << "cannot set the time of " << path << ": " << ec.message();
}

}  // namespace

std::string TarnFixture::libraryPath() {
  return PLEXAR_TARN_LIBRARY;
}

TarnFixture::TarnFixture(const std::string& folder)
    : mProduct(folder + "/ProductDatabase.db"), mInstaller(folder + "/InstallerDatabase.db") {
  runSql(mProduct, tarn::kProductSchema);
  runSql(mInstaller, tarn::kInstallerSchema);
  if (!mLibrary.open(libraryPath())) {
    ADD_FAILURE() << "cannot load " << libraryPath() << ": " << mLibrary.error();
    return;
  }
  auto point = reinterpret_cast<tarnTestSetDatabasePathsFunc>(function("tarnTestSetDatabasePaths"));
  if (point == nullptr || point(mProduct.c_str(), mInstaller.c_str()) != kTarnSuccess)
    ADD_FAILURE() << "cannot point the library at the fixture databases";
}

TarnFixture::~TarnFixture() {
  if (mSession != nullptr) {
    auto close = reinterpret_cast<pdbCloseSessionFunc>(function("pdbCloseSession"));
    if (close) close(mSession);
  }
  auto point = reinterpret_cast<tarnTestSetDatabasePathsFunc>(function("tarnTestSetDatabasePaths"));
  if (point) point(nullptr, nullptr);
}

tarniSession TarnFixture::writeSession() {
  if (mSession == nullptr) {
    auto open = reinterpret_cast<pdbOpenSessionNoCreateFunc>(function("pdbOpenSessionNoCreate"));
    if (open == nullptr || open(&mSession) != kTarnSuccess) {
      ADD_FAILURE() << "cannot open a session on " << mProduct;
      mSession = nullptr;
    }
  }
  return mSession;
}

void TarnFixture::productSql(const std::string& sql) {
  runSql(mProduct, sql);
}

void TarnFixture::installerSql(const std::string& sql) {
  runSql(mInstaller, sql);
}

void TarnFixture::setDomainData(int domain, const std::string& subdomain, const std::string& key,
                                const std::string& value) {
  tarniSession session = writeSession();
  auto set = reinterpret_cast<pdbSetDomainDataFunc>(function("pdbSetDomainData"));
  if (session == nullptr || set == nullptr) return;
  const tarnStatus status = set(session, domain, subdomain.c_str(), key.c_str(), value.c_str());
  if (status != kTarnSuccess)
    ADD_FAILURE() << "pdbSetDomainData(" << subdomain << ", " << key << ") gave " << status;
}

void TarnFixture::registerApplication(const std::string& name, const Values& values) {
  for (const auto& [key, value] : values)
    setDomainData(kMessagingDomain, kAppPrefix + name, key, value);
}

void TarnFixture::addGroupEntry(const std::string& entry) {
  setDomainData(kMessagingDomain, kGroupSubdomain, "Group" + std::to_string(++mGroupKeys),
                kGroupSubdomain + entry);
}

void TarnFixture::registerPayload(const std::string& payload, const std::string& configPath,
                                  const std::vector<std::string>& specifiers) {
  addPayload(payload);
  setPayloadData(payload, kPayloadDomain, kConfigPathKey, configPath);
  for (size_t i = 0; i < specifiers.size(); ++i)
    setDomainData(kMessagingDomain, payload,
                  kCodeKey + (i == 0 ? std::string() : std::to_string(i)),
                  kAppPrefix + specifiers[i]);
}

void TarnFixture::addPayload(const std::string& payload, int installState) {
  installerSql("INSERT INTO payloads (payload, install_state) VALUES (" + quoted(payload) + ", " +
               std::to_string(installState) + ");");
}

void TarnFixture::addToCollection(const std::string& collection, const std::string& payload) {
  installerSql("INSERT INTO collection_payloads (collection, payload) VALUES (" +
               quoted(collection) + ", " + quoted(payload) + ");");
}

void TarnFixture::setPayloadData(const std::string& payload, int domain, const std::string& key,
                                 const std::string& value) {
  installerSql("INSERT INTO payload_data (payload, domain, key, value) VALUES (" + quoted(payload) +
               ", " + std::to_string(domain) + ", " + quoted(key) + ", " + quoted(value) +
               ") ON CONFLICT (payload, domain, key) DO UPDATE SET value = " + "excluded.value;");
}

void TarnFixture::setModificationTimes(uint32_t product, uint32_t installer) {
  setTime(mProduct, product);
  setTime(mInstaller, installer);
}

}  // namespace testsupport
