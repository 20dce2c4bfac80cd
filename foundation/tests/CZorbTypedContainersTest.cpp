#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbTypedVector.h"

namespace {

// Every element a heap iterator visits, in order.
template <typename It>
std::vector<int> walk(It* it) {
  std::unique_ptr<It> owner(it);
  std::vector<int> out;
  while (it->Next()) {
    EXPECT_TRUE(it->IsValid());
    out.push_back(it->Current());
  }
  EXPECT_FALSE(it->IsValid());
  EXPECT_FALSE(it->Next());  // stays ended
  return out;
}

using V = std::vector<int>;

}  // namespace

TEST(CZorbTypedList, IteratorsWalkBothWays) {
  CZorbTypedList<int> list{1, 2, 3};
  const CZorbTypedList<int>& clist = list;
  EXPECT_EQ(walk(list.CreateIterator()), (V{1, 2, 3}));
  EXPECT_EQ(walk(clist.CreateIterator()), (V{1, 2, 3}));
  EXPECT_EQ(walk(list.CreateReverseIterator()), (V{3, 2, 1}));
  EXPECT_EQ(walk(clist.CreateReverseIterator()), (V{3, 2, 1}));
  CZorbTypedList<int> empty;
  EXPECT_EQ(walk(empty.CreateIterator()), V{});
  EXPECT_EQ(walk(empty.CreateReverseIterator()), V{});
  CZorbTypedListIterator<int> detached;
  EXPECT_FALSE(detached.Next());

  // Elements can be changed through a mutable walk; Reset starts over.
  auto* it = list.CreateIterator();
  while (it->Next()) it->Current() *= 10;
  it->Reset();
  ASSERT_TRUE(it->Next());
  EXPECT_EQ(it->Current(), 10);
  delete it;
}

TEST(CZorbTypedList, InsertNextToAnElement) {
  int a = 1, b = 2, c = 3, x = 9, missing = 0;
  CZorbTypedList<int*> list{&a, &b, &c};
  auto values = [&] {
    V out;
    for (int* p : list) out.push_back(p != nullptr ? *p : -1);
    return out;
  };
  list.InsertBefore(&x, &missing);
  list.InsertAfter(&x, &missing);
  EXPECT_EQ(values(), (V{1, 2, 3}));
  list.InsertBefore(&x, &a);
  EXPECT_EQ(values(), (V{9, 1, 2, 3}));
  list.InsertAfter(&x, &c);
  EXPECT_EQ(values(), (V{9, 1, 2, 3, 9}));
  list.InsertAfter(&x, &a);
  EXPECT_EQ(values(), (V{9, 1, 9, 2, 3, 9}));

  // Behind a null element means at the end.
  CZorbTypedList<int*> withNull{&a, nullptr, &b};
  withNull.InsertAfter(&x, nullptr);
  ASSERT_EQ(withNull.size(), 4u);
  EXPECT_EQ(withNull.back(), &x);
  withNull.InsertBefore(&c, nullptr);
  EXPECT_EQ(*std::next(withNull.begin()), &c);
}

TEST(CZorbTypedList, FindAndExistsCompareExactly) {
  CZorbTypedList<std::u16string> list{u"abc", u"def", u"abc"};
  CZorbTypedListIterator<std::u16string> at;
  ASSERT_TRUE(list.Find(u"abc", at));
  EXPECT_EQ(at.GetContainer(), &list);
  EXPECT_EQ(at.GetPosition(), list.begin());
  ASSERT_TRUE(list.Find(u"def", at));
  EXPECT_EQ(at.Current(), u"def");
  ASSERT_TRUE(at.Next());  // the walk goes on from the found element
  EXPECT_EQ(at.GetPosition(), std::prev(list.end()));
  EXPECT_FALSE(list.Find(u"Abc", at));
  EXPECT_EQ(at.GetPosition(), list.end());
  EXPECT_FALSE(at.IsValid());
  EXPECT_TRUE(list.Exists(u"def"));
  EXPECT_FALSE(list.Exists(u"DEF"));
}

TEST(CZorbTypedMap, LookupSetAtAndKeyOrder) {
  CZorbTypedMap<std::u16string, int, CZorbMapStringLessThan> map;
  map.SetAt(u"b", 1);
  map.SetAt(u"a", 2);
  map.SetAt(u"B", 3);
  map.SetAt(u"b", 4);
  EXPECT_EQ(map.size(), 3u);
  int v = 77;
  EXPECT_FALSE(map.Lookup(u"c", v));
  EXPECT_EQ(v, 77);
  EXPECT_TRUE(map.Lookup(u"b", v));
  EXPECT_EQ(v, 4);

  std::vector<std::u16string> keys;
  const auto& cmap = map;
  auto* it = cmap.CreateIterator();
  while (it->Next()) keys.push_back(it->Current().first);
  delete it;
  EXPECT_EQ(keys, (std::vector<std::u16string>{u"B", u"a", u"b"}));  // by unit value

  CZorbTypedMap<int, int, CZorbMapIntLessThan> ints;
  ints.SetAt(5, 0);
  ints.SetAt(-7, 1);
  EXPECT_EQ(ints.begin()->first, -7);
  CZorbTypedMap<unsigned int, int, CZorbMapUIntLessThan> uints;
  uints.SetAt(0xFFFFFFFFu, 0);
  uints.SetAt(1u, 1);
  EXPECT_EQ(uints.begin()->first, 1u);
}

TEST(CZorbTypedVector, IteratorsAndGetBack) {
  CZorbTypedVector<int> vec{4, 5, 6};
  const CZorbTypedVector<int>& cvec = vec;
  EXPECT_EQ(walk(vec.CreateIterator()), (V{4, 5, 6}));
  EXPECT_EQ(walk(cvec.CreateIterator()), (V{4, 5, 6}));
  EXPECT_EQ(walk(vec.CreateReverseIterator()), (V{6, 5, 4}));
  EXPECT_EQ(walk(cvec.CreateReverseIterator()), (V{6, 5, 4}));
  EXPECT_EQ(vec.GetBack(), 6);

  CZorbTypedVector<int*> pointers;
  EXPECT_EQ(pointers.GetBack(), nullptr);
  int x = 1;
  pointers.push_back(&x);
  EXPECT_EQ(pointers.GetBack(), &x);
}

TEST(CZorbTypedContainers, StringInstances) {
  CZorbTypedList<CString> strings;
  strings.push_back(CString(u"abc"));
  strings.push_back(CString(u"Menus.xml"));
  EXPECT_TRUE(strings.Exists(CString(u"abc")));
  EXPECT_FALSE(strings.Exists(CString(u"Abc")));
  CZorbTypedListConstIterator<CString> at;
  const auto& cstrings = strings;
  EXPECT_TRUE(cstrings.Find(CString(u"Menus.xml"), at));
  EXPECT_EQ(at.Current(), CString(u"Menus.xml"));

  CZorbTypedList<CZorbString> zorbStrings;
  zorbStrings.push_back(CZorbString(u"x"));
  EXPECT_TRUE(zorbStrings.Exists(CZorbString(u"x")));
  EXPECT_FALSE(zorbStrings.Exists(CZorbString(u"X")));

  CZorbTypedMap<CString, CString, CZorbMapCStringLessThan> map;
  map.SetAt(CString(u"b"), CString(u"1"));
  map.SetAt(CString(u"B"), CString(u"2"));
  map.SetAt(CString(u"b"), CString(u"3"));
  EXPECT_EQ(map.size(), 2u);
  CString value(u"unchanged");
  EXPECT_FALSE(map.Lookup(CString(u"c"), value));
  EXPECT_EQ(value, CString(u"unchanged"));
  EXPECT_TRUE(map.Lookup(CString(u"b"), value));
  EXPECT_EQ(value, CString(u"3"));
  EXPECT_EQ(map.begin()->first, CString(u"B"));
}
