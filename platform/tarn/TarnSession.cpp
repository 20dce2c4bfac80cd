#include "platform/tarn/TarnSession.h"

#include <sqlite3.h>

#include <filesystem>

namespace {

// A wait for another writer is bounded.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

struct tarnSessionRec::Statement {
  sqlite3_stmt* handle = nullptr;
  ~Statement() { sqlite3_finalize(handle); }
};

tarnSessionRec::~tarnSessionRec() {
  sqlite3_close(mDb);
}

tarnStatus tarnSessionRec::open(const std::string& path, bool throwaway) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return kTarnNoDatabase;
  const int flags = mKind == Kind::Product ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(path.c_str(), &mDb, flags, nullptr) != SQLITE_OK) {
    sqlite3_close(mDb);
    mDb = nullptr;
    return kTarnNoDatabase;
  }
  sqlite3_busy_timeout(mDb, kBusyTimeoutMs);
  if (throwaway) sqlite3_exec(mDb, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
  // A file of another kind fails here rather than at the first query.
  const char* probe = mKind == Kind::Product
                          ? "SELECT seq, domain, subdomain, key, value FROM domain_data LIMIT 0"
                          : "SELECT p.install_state, c.collection, d.value FROM payloads p, "
                            "collection_payloads c, payload_data d LIMIT 0";
  Statement statement;
  if (sqlite3_prepare_v2(mDb, probe, -1, &statement.handle, nullptr) != SQLITE_OK) {
    sqlite3_close(mDb);
    mDb = nullptr;
    return kTarnDatabaseError;
  }
  return kTarnSuccess;
}

tarnStatus tarnSessionRec::prepare(const char* sql, std::initializer_list<Arg> args,
                                   Statement& statement) {
  if (mDb == nullptr) return kTarnBadArgument;
  if (sqlite3_prepare_v2(mDb, sql, -1, &statement.handle, nullptr) != SQLITE_OK)
    return kTarnDatabaseError;
  int index = 1;
  for (const Arg& arg : args) {
    if (arg.isText && arg.text == nullptr) return kTarnBadArgument;
    const int result =
        arg.isText ? sqlite3_bind_text(statement.handle, index, arg.text, -1, SQLITE_TRANSIENT)
                   : sqlite3_bind_int64(statement.handle, index, arg.number);
    if (result != SQLITE_OK) return kTarnDatabaseError;
    ++index;
  }
  return kTarnSuccess;
}

tarnStatus tarnSessionRec::list(const char* sql, std::initializer_list<Arg> args,
                                tarnTextList* out) {
  if (out == nullptr) return kTarnBadArgument;
  Statement statement;
  if (tarnStatus status = prepare(sql, args, statement)) return status;
  std::vector<std::string> rows;
  int step;
  while ((step = sqlite3_step(statement.handle)) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.handle, 0));
    rows.emplace_back(text ? text : "");
  }
  if (step != SQLITE_DONE) return kTarnDatabaseError;
  if (rows.empty()) return kTarnNoData;
  std::vector<const char*>& items = mLists.emplace_back();
  items.reserve(rows.size() + 1);
  for (std::string& row : rows) items.push_back(mTexts.emplace_back(std::move(row)).c_str());
  items.push_back(nullptr);
  *out = items.data();
  return kTarnSuccess;
}

tarnStatus tarnSessionRec::value(const char* sql, std::initializer_list<Arg> args,
                                 const char** out) {
  if (out == nullptr) return kTarnBadArgument;
  Statement statement;
  if (tarnStatus status = prepare(sql, args, statement)) return status;
  const int step = sqlite3_step(statement.handle);
  if (step == SQLITE_DONE) return kTarnNoData;
  if (step != SQLITE_ROW) return kTarnDatabaseError;
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.handle, 0));
  *out = mTexts.emplace_back(text ? text : "").c_str();
  return kTarnSuccess;
}

tarnStatus tarnSessionRec::change(const char* sql, std::initializer_list<Arg> args) {
  Statement statement;
  if (tarnStatus status = prepare(sql, args, statement)) return status;
  if (sqlite3_step(statement.handle) != SQLITE_DONE) return kTarnDatabaseError;
  return sqlite3_changes(mDb) > 0 ? kTarnSuccess : kTarnNoData;
}
