#include "messaging/VtVector.h"

#include <gtest/gtest.h>

#include <new>

#include "messaging/AutoPtr.h"
#include "messaging/VtString.h"

using Velt::VtString;
using Velt::VtVector;

namespace {

int gDestroyed = 0;

struct Counted : Velt::VtHeap {
  ~Counted() override { ++gDestroyed; }
};

}  // namespace

TEST(VtVectorTest, GrowsBy32AndKeepsOrder) {
  int items[70];
  VtVector<int> v;
  EXPECT_EQ(v.length(), 0);
  EXPECT_EQ(v.capacity(), 32);
  for (int i = 0; i < 32; ++i) v.append(&items[i]);
  EXPECT_EQ(v.capacity(), 32);
  v.append(&items[32]);
  EXPECT_EQ(v.capacity(), 64);
  for (int i = 33; i < 70; ++i) v.append(&items[i]);
  EXPECT_EQ(v.capacity(), 96);
  ASSERT_EQ(v.length(), 70);
  for (int i = 0; i < 70; ++i) EXPECT_EQ(v[i], &items[i]);
}

TEST(VtVectorTest, RemoveAndRemoveAt) {
  int a = 0, b = 0, c = 0, absent = 0;
  VtVector<int> v;
  v.append(&a);
  v.append(&b);
  v.append(&a);
  v.append(&c);

  v.remove(&absent);
  EXPECT_EQ(v.length(), 4);
  v.remove(&a);  // only the first
  ASSERT_EQ(v.length(), 3);
  EXPECT_EQ(v[0], &b);
  EXPECT_EQ(v[1], &a);
  EXPECT_EQ(v[2], &c);

  EXPECT_EQ(v.removeAt(-1), nullptr);
  EXPECT_EQ(v.removeAt(3), nullptr);
  EXPECT_EQ(v.length(), 3);
  EXPECT_EQ(v.removeAt(1), &a);
  ASSERT_EQ(v.length(), 2);
  EXPECT_EQ(v[1], &c);
  EXPECT_EQ(v.removeAt(1), &c);
  EXPECT_EQ(v.removeAt(0), &b);
  EXPECT_EQ(v.length(), 0);
  EXPECT_EQ(v.removeAt(0), nullptr);
}

TEST(VtVectorTest, CopiesOwnTheirArrays) {
  VtString x("x"), y("y"), z("z");
  VtVector<VtString> original;
  for (int i = 0; i < 40; ++i) original.append(&x);
  original.append(&y);

  VtVector<VtString> copy(original);
  ASSERT_EQ(copy.length(), 41);
  copy.removeAt(0);
  copy.append(&z);
  EXPECT_EQ(original.length(), 41);
  EXPECT_EQ(original[40], &y);
  EXPECT_EQ(copy[39], &y);
  EXPECT_EQ(copy[40], &z);

  VtVector<VtString> assigned;
  assigned.append(&z);
  assigned = original;
  assigned.remove(&y);
  EXPECT_EQ(assigned.length(), 40);
  EXPECT_EQ(original.length(), 41);
  assigned = assigned;
  EXPECT_EQ(assigned.length(), 40);

  // Destroying a vector leaves the objects alone.
  gDestroyed = 0;
  Counted counted;
  {
    VtVector<Counted> holder;
    holder.append(&counted);
  }
  EXPECT_EQ(gDestroyed, 0);

  VtVector<const VtString> constView;
  constView.append(&x);
  EXPECT_EQ(constView[0], &x);
}

TEST(AutoPtrTest, OwnsAndReleases) {
  gDestroyed = 0;
  {
    Velt::autoPtr<Counted> p(new Counted);
    Counted* held = p.get();
    p.reset(held);  // same object: kept
    EXPECT_EQ(gDestroyed, 0);
    EXPECT_EQ(p.get(), held);
    p.reset(new Counted);
    EXPECT_EQ(gDestroyed, 1);
    Counted* stolen = p.steal();
    EXPECT_EQ(p.get(), nullptr);
    delete stolen;
    EXPECT_EQ(gDestroyed, 2);
    p.reset(new Counted);
  }
  EXPECT_EQ(gDestroyed, 3);

  // Deletes through the base's virtual destructor.
  { Velt::autoPtr<Velt::VtHeap> base(new Counted); }
  EXPECT_EQ(gDestroyed, 4);
}

TEST(VtHeapTest, AllocatorReportsFailure) {
  Velt::VtHeap* nothing = nullptr;
  delete nothing;
  EXPECT_THROW(Velt::VtHeap::mallocThis<uint64_t>(SIZE_MAX / 4), std::bad_alloc);
  char* bytes = Velt::VtHeap::mallocThis<char>(0);
  ASSERT_NE(bytes, nullptr);
  Velt::VtHeap::freeThis(bytes);
}
