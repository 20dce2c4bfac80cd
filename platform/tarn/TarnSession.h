#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/tarn/Tarn.h"

struct sqlite3;

// One open database. What its queries deliver is kept in the session's own
// storage, so every text and list stays valid until the session closes.
struct tarnSessionRec {
 public:
  enum class Kind { Product, Installer };

  // A query argument: a number or a text.
  struct Arg {
    Arg(int64_t n) : number(n) {}  // NOLINT: arguments read as a list
    Arg(const char* s) : text(s), isText(true) {}
    int64_t number = 0;
    const char* text = nullptr;
    bool isText = false;
  };

  explicit tarnSessionRec(Kind kind) : mKind(kind) {}
  ~tarnSessionRec();
  tarnSessionRec(const tarnSessionRec&) = delete;
  tarnSessionRec& operator=(const tarnSessionRec&) = delete;

  Kind kind() const { return mKind; }

  // Opens the existing database file and checks that it has the tables of
  // its kind; a missing file is kTarnNoDatabase. A throwaway database's
  // writes are not synced to the disk.
  tarnStatus open(const std::string& path, bool throwaway);

  // The first column of every row, as a list; kTarnNoData when no row.
  tarnStatus list(const char* sql, std::initializer_list<Arg> args, tarnTextList* out);
  // The first column of the first row; kTarnNoData when no row.
  tarnStatus value(const char* sql, std::initializer_list<Arg> args, const char** out);
  // Runs a statement; kTarnNoData when it changed no row.
  tarnStatus change(const char* sql, std::initializer_list<Arg> args);

 private:
  struct Statement;

  tarnStatus prepare(const char* sql, std::initializer_list<Arg> args, Statement& statement);

  Kind mKind;
  sqlite3* mDb = nullptr;
  std::deque<std::string> mTexts;
  std::deque<std::vector<const char*>> mLists;
};
