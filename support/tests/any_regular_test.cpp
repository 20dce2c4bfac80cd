#include "support/any_regular_t.h"
#include "support/bad_cast.h"
#include "support/thread_id.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <typeinfo>

using vesko::any_regular_t;
using vesko::empty_t;
using vesko::name_t;
using vesko::string_t;
using vesko::vector;

namespace {

std::string what_of_cast(any_regular_t const& x, void (*cast)(any_regular_t const&)) {
  try {
    cast(x);
  } catch (vesko::bad_cast const& e) {
    return e.what();
  }
  return "no throw";
}

std::string text(any_regular_t const& x) {
  return std::string(x.cast<string_t>());
}

}  // namespace

TEST(AnyRegular, HoldsEachTypeInPlace) {
  static_assert(sizeof(any_regular_t) <= sizeof(void*) + sizeof(double));
  any_regular_t d(2.5), n(name_t("key")), s("text"), e;
  EXPECT_EQ(d.cast<double>(), 2.5);
  EXPECT_EQ(n.cast<name_t>(), name_t("key"));
  EXPECT_EQ(text(s), "text");
  EXPECT_TRUE(e.cast<empty_t>() == empty_t());
  EXPECT_TRUE(e.type_info() == vesko::type_info<empty_t>());
  EXPECT_EQ(text(any_regular_t(std::string("a\0b", 3))), std::string("a\0b", 3));

  d.cast<double>() = 4.0;
  EXPECT_EQ(d.cast<double>(), 4.0);
  s.cast<string_t>().push_back('!');
  EXPECT_EQ(text(s), "text!");
}

TEST(AnyRegular, CastToTheWrongTypeThrowsBadCast) {
  auto to_string = [](any_regular_t const& x) { (void)x.cast<string_t>(); };
  auto to_double = [](any_regular_t const& x) { (void)x.cast<double>(); };
  EXPECT_EQ(what_of_cast(any_regular_t(1.0), to_string),
            "bad_cast: double -> string_t:version_1:vesko");
  EXPECT_EQ(what_of_cast(any_regular_t(name_t("n")), to_string),
            "bad_cast: name_t:version_1:vesko -> string_t:version_1:vesko");
  EXPECT_EQ(what_of_cast(any_regular_t(), to_double),
            "bad_cast: empty_t:version_1:vesko -> double");
  EXPECT_EQ(what_of_cast(any_regular_t("1"), to_double),
            "bad_cast: string_t:version_1:vesko -> double");
  any_regular_t mutable_value(1.0);
  EXPECT_THROW(mutable_value.cast<string_t>(), std::bad_cast);
  EXPECT_THROW(any_regular_t::helper<name_t>::cast(mutable_value), vesko::bad_cast);
}

TEST(AnyRegular, EqualityGoesThroughTheHeldType) {
  char const* a = "a";
  std::string abc = "abc";
  struct Case {
    char const* what;
    any_regular_t x, y;
    bool equal;
  } const cases[] = {
      {"empty C text and no text", any_regular_t(""), any_regular_t(string_t()), true},
      {"embedded NUL", any_regular_t(string_t(a)), any_regular_t(string_t(a, 2)), false},
      {"same text", any_regular_t("abc"), any_regular_t(abc), true},
      {"other text", any_regular_t("abc"), any_regular_t("abd"), false},
      {"numbers", any_regular_t(1.0), any_regular_t(1.0), true},
      {"other numbers", any_regular_t(1.0), any_regular_t(2.0), false},
      {"names", any_regular_t(name_t("n")), any_regular_t(name_t("n")), true},
      {"interned and literal name", any_regular_t(name_t("n")),
       any_regular_t(name_t("n", vesko::dont_copy_t())), true},
      {"empties", any_regular_t(), any_regular_t(empty_t()), true},
      {"text and name", any_regular_t("n"), any_regular_t(name_t("n")), false},
      {"empty and empty text", any_regular_t(), any_regular_t(""), false},
  };
  for (Case const& c : cases) EXPECT_EQ(c.x == c.y, c.equal) << c.what;
}

TEST(AnyRegular, CopyMoveAssignSwap) {
  any_regular_t s("hello");
  any_regular_t copy(s);
  EXPECT_NE(copy.cast<string_t>().c_str(), s.cast<string_t>().c_str());
  EXPECT_TRUE(copy == s);

  char const* block = s.cast<string_t>().c_str();
  any_regular_t moved(std::move(s));
  EXPECT_EQ(moved.cast<string_t>().c_str(), block);
  EXPECT_TRUE(s.cast<string_t>().empty());  // the source keeps an empty string

  any_regular_t x(3.0);
  x = moved;  // changes the held type
  EXPECT_EQ(text(x), "hello");
  x = any_regular_t(name_t("k"));
  EXPECT_EQ(x.cast<name_t>(), name_t("k"));
  x = x;
  EXPECT_EQ(x.cast<name_t>(), name_t("k"));

  any_regular_t p("one"), q("two");
  swap(p, q);
  EXPECT_EQ(text(p), "two");
  EXPECT_EQ(text(q), "one");
  any_regular_t r(7.0);
  swap(p, r);
  EXPECT_EQ(p.cast<double>(), 7.0);
  EXPECT_EQ(text(r), "two");
}

TEST(AnyRegularVector, ElementsAreClonedMovedAndDestroyed) {
  vector<any_regular_t> args;
  args.push_back(any_regular_t("-1"));
  args.push_back(any_regular_t("install"));
  args.push_back(any_regular_t(2.0));
  EXPECT_EQ(args.capacity(), 4u);
  args.push_back(args[0]);  // full afterwards; aliasing next
  args.push_back(args[1]);  // grows while copying its own element
  EXPECT_EQ(args.size(), 5u);
  EXPECT_EQ(text(args[3]), "-1");
  EXPECT_EQ(text(args[4]), "install");

  vector<any_regular_t> copy(args);
  EXPECT_EQ(copy.capacity(), 5u);
  EXPECT_TRUE(copy == args);
  EXPECT_NE(copy[0].cast<string_t>().c_str(), args[0].cast<string_t>().c_str());

  // In place, the inserted range taken from the moving tail.
  args.reserve(20);
  args.insert(args.begin(), args.begin() + 3, args.end());
  ASSERT_EQ(args.size(), 7u);
  EXPECT_EQ(text(args[0]), "-1");
  EXPECT_EQ(text(args[1]), "install");
  EXPECT_EQ(text(args[2]), "-1");
  EXPECT_EQ(args[4].cast<double>(), 2.0);
  args.insert(args.begin() + 1, 2, args[6]);
  EXPECT_EQ(text(args[1]), "install");
  EXPECT_EQ(text(args[2]), "install");

  args.erase(args.begin(), args.begin() + 4);
  ASSERT_EQ(args.size(), 5u);  // -1 install 2 -1 install
  EXPECT_EQ(text(args[0]), "-1");
  EXPECT_EQ(text(args[4]), "install");
  args.resize(7);
  EXPECT_TRUE(args[6] == any_regular_t());

  vector<any_regular_t> target;
  target.move_append(copy.begin(), copy.end());
  EXPECT_EQ(text(target[1]), "install");
  EXPECT_TRUE(copy[1].cast<string_t>().empty());
  args.move_append(args.begin(), args.begin() + 1);  // from itself, with room
  EXPECT_EQ(text(args[7]), "-1");
  EXPECT_TRUE(args[0].cast<string_t>().empty());
  args.clear();
  EXPECT_TRUE(args.empty());
}

TEST(ThreadId, OneIdentityPerProcess) {
  vesko::thread_id_t other = 0;
  std::thread([&] { other = vesko::thread_id(); }).join();
  EXPECT_EQ(other, vesko::thread_id());
}
