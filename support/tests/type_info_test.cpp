#include "support/bad_cast.h"
#include "support/type_info_t.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <typeinfo>

using vesko::type_info_t;
using vesko::implementation::type_instance_t;

namespace {

std::string printed(type_instance_t const& x) {
  std::ostringstream out;
  out << x;
  return out.str();
}

// Records made apart from the library's own, as another module would.
type_instance_t const double_a = {nullptr, "double", {}};
type_instance_t const double_b = {nullptr, "double", {}};
type_instance_t const string_a = {nullptr, "string_t:version_1:vesko", {}};
type_instance_t const pair_ds = {nullptr, "pair", {&double_a, &string_a}};
type_instance_t const pair_ds_copy = {nullptr, "pair", {&double_b, &string_a}};
type_instance_t const pair_d = {nullptr, "pair", {&double_a}};
type_instance_t const pair_sd = {nullptr, "pair", {&string_a, &double_a}};
type_instance_t const nested = {nullptr, "list", {&pair_ds}};
type_instance_t const rtti_int = {&typeid(int), "int", {}};
type_instance_t const rtti_int_b = {&typeid(int), "other", {}};
type_instance_t const rtti_long = {&typeid(long), "long", {}};
type_instance_t const nested_rtti = {nullptr, "box", {&double_a, &rtti_int}};

}  // namespace

TEST(TypeInfo, EqualityOfDescriptions) {
  struct Case {
    char const* what;
    type_instance_t const& x;
    type_instance_t const& y;
    bool equal;
  } const cases[] = {
      {"same record", double_a, double_a, true},
      {"different records, equal names", double_a, double_b, true},
      {"library record and a foreign one", vesko::type_info<double>().instance(), double_b, true},
      {"different names", double_a, string_a, false},
      {"equal parameters in different records", pair_ds, pair_ds_copy, true},
      {"one list ends first", pair_ds, pair_d, false},
      {"parameters in another order", pair_ds, pair_sd, false},
      {"platform records of one type", rtti_int, rtti_int_b, true},
      {"platform records of two types", rtti_int, rtti_long, false},
      {"platform against portable", rtti_int, double_a, false},
      {"portable against platform", double_a, rtti_int, false},
  };
  for (Case const& c : cases) {
    EXPECT_EQ(c.x == c.y, c.equal) << c.what;
    EXPECT_EQ(c.y == c.x, c.equal) << c.what << " (reversed)";
  }
  EXPECT_TRUE(type_info_t(double_a) == type_info_t(double_b));
  EXPECT_TRUE(vesko::type_info<double>() != vesko::type_info<vesko::string_t>());
}

TEST(TypeInfo, StrictOrdering) {
  using vesko::implementation::before;
  EXPECT_TRUE(before(double_a, string_a));  // by name
  EXPECT_FALSE(before(string_a, double_a));
  EXPECT_FALSE(before(double_a, double_b));  // equal
  EXPECT_FALSE(before(double_b, double_a));
  EXPECT_TRUE(before(pair_d, pair_ds));  // shorter list first
  EXPECT_FALSE(before(pair_ds, pair_d));
  EXPECT_TRUE(before(pair_ds, pair_sd));  // by the first differing parameter
  EXPECT_FALSE(before(pair_sd, pair_ds));
  EXPECT_TRUE(before(string_a, rtti_int));  // portable before platform
  EXPECT_FALSE(before(rtti_int, string_a));
  EXPECT_NE(before(rtti_int, rtti_long), before(rtti_long, rtti_int));
  EXPECT_FALSE(before(rtti_int, rtti_int_b));
  EXPECT_TRUE(type_info_t(double_a).before(type_info_t(string_a)));
}

TEST(TypeInfo, RequiresStdRttiAtAnyDepth) {
  EXPECT_FALSE(double_a.requires_std_rtti());
  EXPECT_FALSE(nested.requires_std_rtti());
  EXPECT_TRUE(rtti_int.requires_std_rtti());
  EXPECT_TRUE(nested_rtti.requires_std_rtti());
  EXPECT_FALSE(vesko::type_info<vesko::name_t>().requires_std_rtti());
}

TEST(TypeInfo, PrintedForm) {
  EXPECT_EQ(printed(double_a), "double");
  EXPECT_EQ(printed(pair_ds), "pair<double,string_t:version_1:vesko>");
  EXPECT_EQ(printed(nested), "list<pair<double,string_t:version_1:vesko>>");
  EXPECT_EQ(printed(rtti_int), typeid(int).name());
  std::string out = "x=";
  vesko::serialize(type_info_t(pair_d), out);
  EXPECT_EQ(out, "x=pair<double>");
  EXPECT_STREQ(vesko::type_info<vesko::empty_t>().name(), "empty_t:version_1:vesko");
  EXPECT_STREQ(vesko::type_info<vesko::name_t>().name(), "name_t:version_1:vesko");
  EXPECT_STREQ(type_info_t(rtti_int).name(), typeid(int).name());
}

TEST(BadCast, Messages) {
  EXPECT_STREQ(vesko::bad_cast().what(), "bad_cast");
  vesko::bad_cast from_descriptions{type_info_t(pair_ds), type_info_t(double_a)};
  EXPECT_STREQ(from_descriptions.what(),
               "bad_cast: pair<double,string_t:version_1:vesko> -> double");
  vesko::bad_cast from_rtti(typeid(int), typeid(double));
  EXPECT_EQ(std::string(from_rtti.what()),
            std::string("bad_cast: ") + typeid(int).name() + " -> " + typeid(double).name());

  vesko::bad_cast copy(from_descriptions);
  EXPECT_STREQ(copy.what(), from_descriptions.what());
  vesko::bad_cast assigned;
  assigned = from_rtti;
  EXPECT_STREQ(assigned.what(), from_rtti.what());
  std::bad_cast const& base = copy;
  EXPECT_STREQ(base.what(), from_descriptions.what());
}
