#include "support/vector.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

using vesko::allocation_record_t;
using vesko::capture_allocator;
using vesko::vector;

namespace {

vector<char> make(std::string const& text) {
  vector<char> v;
  v.append(text.data(), text.data() + text.size());
  return v;
}

std::string text_of(vector<char> const& v) {
  return std::string(v.begin(), v.end());
}

// Counts what goes through a non-default allocation record, and can be told
// to run out of memory.
struct counting_record {
  static inline int allocations = 0;
  static inline int frees = 0;
  static inline bool exhausted = false;
  static void* allocate(std::size_t n) {
    if (exhausted) return nullptr;
    ++allocations;
    return std::malloc(n);
  }
  static void release(void* p) {
    ++frees;
    std::free(p);
  }
  static void reset() {
    allocations = frees = 0;
    exhausted = false;
  }
};

allocation_record_t const counting_g = {&counting_record::allocate, &counting_record::release};

class VectorWithRecord : public ::testing::Test {
 protected:
  void SetUp() override { counting_record::reset(); }
  void TearDown() override { counting_record::exhausted = false; }
  capture_allocator<char> alloc{&counting_g};
};

}  // namespace

TEST(Vector, EmptyVectorOwnsNothing) {
  vector<char> v;
  EXPECT_EQ(v.size(), 0u);
  EXPECT_EQ(v.capacity(), 0u);
  EXPECT_EQ(v.begin(), nullptr);
  EXPECT_EQ(v.end(), nullptr);
  EXPECT_TRUE(v.empty());
  EXPECT_TRUE(v.get_allocator() == capture_allocator<char>());
}

TEST(Vector, GrowthRule) {
  struct Case {
    char const* what;
    std::string start;  // contents, reserved to exactly their size
    std::string added;  // pushed one by one if push, else appended
    bool push;
    std::size_t capacity;
  };
  Case const cases[] = {
      {"push into empty", "", "a", true, 1},
      {"push into full size 3", "abc", "d", true, 6},
      {"second push after doubling stays", "abc", "de", true, 6},
      {"append 10 to size 3 capacity 3", "abc", "0123456789", false, 13},
      {"append 2 to size 3 capacity 3 doubles", "abc", "de", false, 6},
      {"append into empty takes the range length", "", "abcde", false, 5},
  };
  for (Case const& c : cases) {
    SCOPED_TRACE(c.what);
    vector<char> v;
    v.reserve(c.start.size());
    v.append(c.start.data(), c.start.data() + c.start.size());
    ASSERT_EQ(v.capacity(), c.start.size());
    if (c.push) {
      for (char ch : c.added) v.push_back(ch);
    } else {
      v.append(c.added.data(), c.added.data() + c.added.size());
    }
    EXPECT_EQ(v.capacity(), c.capacity);
    EXPECT_EQ(text_of(v), c.start + c.added);
  }
}

TEST(Vector, CopyHasCapacityOfItsSize) {
  vector<char> v = make("abc");
  v.reserve(40);
  vector<char> copy(v);
  EXPECT_EQ(copy.capacity(), 3u);
  EXPECT_EQ(text_of(copy), "abc");
  EXPECT_NE(copy.begin(), v.begin());

  vector<char> empty;
  vector<char> empty_copy(empty);
  EXPECT_EQ(empty_copy.begin(), nullptr);
}

TEST(Vector, ReserveNeverShrinks) {
  vector<char> v = make("abcdef");
  v.reserve(10);
  char const* before = v.begin();
  v.reserve(4);
  EXPECT_EQ(v.capacity(), 10u);
  EXPECT_EQ(v.begin(), before);
  v.reserve(10);
  EXPECT_EQ(v.begin(), before);
}

TEST(Vector, InsertEraseAndResize) {
  vector<char> v = make("adef");
  v.reserve(10);
  std::string bc = "bc";
  char* after = v.insert(v.begin() + 1, bc.data(), bc.data() + 2);  // in place
  EXPECT_EQ(text_of(v), "abcdef");
  EXPECT_EQ(after, v.begin() + 3);
  EXPECT_EQ(v.capacity(), 10u);

  after = v.insert(v.begin() + 6, 3, 'x');  // 9 of 10
  EXPECT_EQ(text_of(v), "abcdefxxx");
  EXPECT_EQ(after, v.end());

  after = v.insert(v.begin(), 4, '-');  // no room: max(2 * 9, 9 + 4)
  EXPECT_EQ(v.capacity(), 18u);
  EXPECT_EQ(text_of(v), "----abcdefxxx");
  EXPECT_EQ(after, v.begin() + 4);

  char* first = v.erase(v.begin(), v.begin() + 4);
  EXPECT_EQ(first, v.begin());
  EXPECT_EQ(text_of(v), "abcdefxxx");
  EXPECT_EQ(v.erase(v.begin() + 2, v.begin() + 2), v.begin() + 2);

  v.resize(3);
  EXPECT_EQ(text_of(v), "abc");
  v.resize(5);
  EXPECT_EQ(text_of(v), std::string("abc\0\0", 5));
  EXPECT_EQ(v.capacity(), 18u);

  v.pop_back();
  EXPECT_EQ(v.size(), 4u);
  v.clear();
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(v.capacity(), 18u);
}

TEST(Vector, SourcesInsideTheVectorStayValid) {
  // Full vector: pushing one of its own elements must not read freed memory.
  vector<char> full = make("abc");
  full.push_back(full[0]);
  EXPECT_EQ(text_of(full), "abca");

  // In place: the inserted range overlaps the moving tail.
  vector<char> v = make("abcd");
  v.reserve(16);
  v.insert(v.begin(), v.begin() + 1, v.begin() + 3);
  EXPECT_EQ(text_of(v), "bcabcd");
  v.insert(v.begin() + 1, 2, v[5]);
  EXPECT_EQ(text_of(v), "bddcabcd");

  // Needing room: the range is our own storage, which is replaced.
  vector<char> w = make("xyz");
  w.append(w.begin(), w.end());
  EXPECT_EQ(text_of(w), "xyzxyz");
  w.insert(w.begin() + 3, 4, w[0]);
  EXPECT_EQ(text_of(w), "xyzxxxxxyz");
}

TEST(Vector, Char16Instance) {
  vector<char16_t> v;
  v.resize(2);
  EXPECT_EQ(v[0], 0);
  std::u16string s = u"\U0001F600";
  v.append(s.data(), s.data() + s.size());
  EXPECT_EQ(v.size(), 4u);
  EXPECT_EQ(v[2], 0xD83D);
  EXPECT_EQ(v[3], 0xDE00);
  vector<char16_t> copy(v);
  EXPECT_TRUE(copy == v);
}

TEST(Vector, Equality) {
  EXPECT_TRUE(vector<char>() == vector<char>());
  EXPECT_TRUE(make("ab") == make("ab"));
  EXPECT_FALSE(make("ab") == make("abc"));
  EXPECT_FALSE(make("ab") == make("ac"));
  vector<char> emptied = make("x");
  emptied.pop_back();  // a block but no elements
  EXPECT_TRUE(emptied == vector<char>());
}

TEST_F(VectorWithRecord, ZeroCapacityKeepsTheAllocator) {
  {
    vector<char> v(alloc);
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(v.capacity(), 1u);
    EXPECT_TRUE(v.get_allocator() == alloc);
    EXPECT_EQ(counting_record::allocations, 1);

    vector<char> copy(v);  // an empty copy keeps the allocator too
    EXPECT_TRUE(copy.get_allocator() == alloc);

    v.push_back('a');
    v.push_back('b');
    EXPECT_TRUE(v.get_allocator() == alloc);
    EXPECT_EQ(counting_record::allocations, 3);
  }
  EXPECT_EQ(counting_record::frees, counting_record::allocations);
}

TEST_F(VectorWithRecord, OneBlockPerVectorAndDoublingGrowth) {
  vector<char> v(alloc);
  for (int i = 0; i < 1000; ++i) v.push_back(char(i));
  // 1, 2, 4, ..., 1024: eleven blocks for a thousand pushes.
  EXPECT_EQ(counting_record::allocations, 11);
  EXPECT_EQ(counting_record::frees, 10);
}

TEST_F(VectorWithRecord, ExhaustionThrowsAndChangesNothing) {
  vector<char> v(alloc);
  v.push_back('a');
  std::string more = "bcd";
  counting_record::exhausted = true;
  EXPECT_THROW(v.push_back('x'), std::bad_alloc);
  EXPECT_THROW(v.append(more.data(), more.data() + 3), std::bad_alloc);
  EXPECT_THROW(v.insert(v.begin(), 5, 'x'), std::bad_alloc);
  EXPECT_THROW(v.reserve(100), std::bad_alloc);
  EXPECT_THROW(vector<char>{v}, std::bad_alloc);
  EXPECT_EQ(text_of(v), "a");
  EXPECT_EQ(v.capacity(), 1u);
}

TEST(VectorDeathTest, BrokenPreconditionsAbort) {
  vector<char> v = make("ab");
  EXPECT_DEATH(v[2], "n < size\\(\\)");
  vector<char> empty;
  EXPECT_DEATH(empty.pop_back(), "!empty\\(\\)");
  char c = 0;
  EXPECT_DEATH(empty.set_finish(&c), "header_m != 0 \\|\\| x == 0");
  empty.set_finish(nullptr);  // allowed without a block
}
