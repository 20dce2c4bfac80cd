#include "support/name_t.h"
#include "support/string_pool_t.h"
#include "support/unique_string_pool_t.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using vesko::dont_copy_t;
using vesko::name_t;
using vesko::unique_string_pool_t;
using vesko::detail::string_pool_t;

namespace {

// Exits 0 when empty names leave the process-wide pool uncreated.
void check_empty_names_in_fresh_process() {
  bool ok = !vesko::detail::name_pool_created();
  name_t empty("");
  name_t null(nullptr);
  name_t fresh;
  ok = ok && empty.c_str() == null.c_str() && fresh.c_str() == empty.c_str();
  ok = ok && empty.c_str() == vesko::detail::empty_text() && empty.empty();
  ok = ok && !vesko::detail::name_pool_created();
  name_t some("some");
  ok = ok && vesko::detail::name_pool_created();
  std::exit(ok ? 0 : 1);
}

}  // namespace

TEST(NameDeathTest, EmptyNamesNeverCreateThePool) {
  // In a fresh process, so that no other test has made the pool already.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(check_empty_names_in_fresh_process(), ::testing::ExitedWithCode(0), "");
}

TEST(Name, EqualTextsGiveTheSamePointer) {
  std::string abc = "abc";
  name_t a1("abc"), a2(abc.c_str()), d("abd");
  EXPECT_EQ(a1.c_str(), a2.c_str());
  EXPECT_NE(a1.c_str(), abc.c_str());
  EXPECT_STREQ(a1.c_str(), "abc");
  EXPECT_NE(a1.c_str(), d.c_str());
  EXPECT_TRUE(a1 == a2);
  EXPECT_TRUE(a1 != d);
  EXPECT_TRUE(a1 < d);
  EXPECT_FALSE(d < a1);
  EXPECT_TRUE(name_t() < a1);
}

TEST(Name, DontCopyHoldsTheTextItselfAndComparesByText) {
  static char const literal[] = "request";
  name_t held(literal, dont_copy_t());
  EXPECT_EQ(held.c_str(), literal);
  name_t interned("request");
  EXPECT_NE(held.c_str(), interned.c_str());
  EXPECT_TRUE(held == interned);
  EXPECT_FALSE(held < interned || interned < held);
}

TEST(NameDeathTest, DontCopyRefusesNull) {
  EXPECT_DEATH(name_t(nullptr, dont_copy_t()), "text != 0");
}

TEST(Name, ConcurrentInterningAgrees) {
  constexpr int threads = 4;
  constexpr int texts = 500;
  std::vector<std::vector<char const*>> seen(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    seen[t].resize(texts);
    workers.emplace_back([t, &seen] {
      for (int i = 0; i < texts; ++i) {
        // Each thread walks the texts in its own order.
        int k = (i * 7 + t * 131) % texts;
        std::string text = "concurrent-" + std::to_string(k);
        seen[t][k] = name_t(text.c_str()).c_str();
      }
    });
  }
  for (auto& w : workers) w.join();
  std::set<char const*> distinct;
  for (int k = 0; k < texts; ++k) {
    for (int t = 1; t < threads; ++t) ASSERT_EQ(seen[t][k], seen[0][k]) << k;
    EXPECT_EQ(std::string(seen[0][k]), "concurrent-" + std::to_string(k));
    distinct.insert(seen[0][k]);
  }
  EXPECT_EQ(distinct.size(), std::size_t(texts));
}

TEST(Name, InterningAcrossBlockBoundariesKeepsEveryText) {
  // 300 fresh texts of 30 bytes and their NULs fill more than two blocks.
  constexpr int count = 300;
  std::vector<std::string> texts;
  std::vector<char const*> first;
  for (int i = 0; i < count; ++i) {
    std::string text = "block-boundary-" + std::string(11, 'a' + i % 26) + std::to_string(1000 + i);
    ASSERT_EQ(text.size(), 30u);
    texts.push_back(text);
    first.push_back(name_t(text.c_str()).c_str());
  }
  int boundaries = 0;
  for (int i = 1; i < count; ++i)
    if (first[i] != first[i - 1] + 31) ++boundaries;
  EXPECT_GE(boundaries, 2) << "consecutive texts share a block until one no longer fits";
  for (int i = 0; i < count; ++i) {
    EXPECT_STREQ(first[i], texts[i].c_str());
    EXPECT_EQ(name_t(texts[i].c_str()).c_str(), first[i]) << i;
  }
  std::string big(5000, 'q');
  char const* long_name = name_t(big.c_str()).c_str();
  EXPECT_EQ(std::string(long_name), big);
  EXPECT_EQ(name_t(big.c_str()).c_str(), long_name);
  EXPECT_EQ(name_t(texts[0].c_str()).c_str(), first[0]);
}

TEST(UniqueStringPool, StoresEachTextOnce) {
  unique_string_pool_t pool;
  char const* a = pool.add("alpha");
  EXPECT_EQ(pool.add(std::string("alpha").c_str()), a);
  EXPECT_NE(pool.add("beta"), a);
  EXPECT_EQ(pool.add(""), vesko::detail::empty_text());
  EXPECT_EQ(pool.add(nullptr), vesko::detail::empty_text());
  // A separate pool keeps its own copies.
  unique_string_pool_t other;
  EXPECT_NE(other.add("alpha"), a);
}

TEST(StringPool, FillsBlocksThenStartsANewOne) {
  string_pool_t pool;
  EXPECT_TRUE(pool.blocks().empty());
  EXPECT_EQ(pool.available(), 0u);

  // 40 texts of 99 bytes + NUL fill 4000 of 4096 bytes; 96 remain.
  std::string text(99, 'x');
  char const* first = pool.add(text.c_str());
  EXPECT_EQ(first, pool.blocks().front());
  for (int i = 1; i < 40; ++i) pool.add(text.c_str());
  EXPECT_EQ(pool.blocks().size(), 1u);
  EXPECT_EQ(pool.available(), 96u);

  // 95 bytes + NUL fit exactly.
  char const* exact = pool.add(std::string(95, 'e').c_str());
  EXPECT_EQ(pool.blocks().size(), 1u);
  EXPECT_EQ(pool.available(), 0u);
  EXPECT_EQ(std::strlen(exact), 95u);

  char const* next = pool.add("n");
  EXPECT_EQ(pool.blocks().size(), 2u);
  EXPECT_EQ(next, pool.blocks().back());
  EXPECT_EQ(pool.available(), 4094u);
  EXPECT_STREQ(next, "n");

  // A text that doesn't fit what is left starts a block; the old tail is lost.
  pool.add(std::string(4000, 'y').c_str());
  char const* spill = pool.add(std::string(100, 'z').c_str());
  EXPECT_EQ(pool.blocks().size(), 3u);
  EXPECT_EQ(spill, pool.blocks().back());
  EXPECT_EQ(pool.available(), 4096u - 101u);
}

TEST(StringPool, LongTextGetsABlockOfItsOwnSize) {
  string_pool_t pool;
  pool.add("a");
  std::string big(5000, 'b');
  char const* copy = pool.add(big.c_str());
  EXPECT_EQ(pool.blocks().size(), 2u);
  EXPECT_EQ(copy, pool.blocks().back());
  EXPECT_EQ(pool.available(), 0u);  // exactly 5001 bytes
  EXPECT_EQ(std::string(copy), big);
  pool.add("c");  // the next text needs a fresh block of the usual size
  EXPECT_EQ(pool.blocks().size(), 3u);
  EXPECT_EQ(pool.available(), 4094u);
}

TEST(StringPool, AllocateWritesTheNul) {
  string_pool_t pool(16);
  char* p = pool.allocate(3);
  EXPECT_EQ(p[3], '\0');
  EXPECT_EQ(pool.available(), 12u);
  char* q = pool.allocate(0);
  EXPECT_EQ(q, p + 4);
  EXPECT_EQ(*q, '\0');
}
