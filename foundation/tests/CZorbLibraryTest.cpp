#include "foundation/CZorbLibrary.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/os/ColonPath.h"

namespace {

using AddFunction = int (*)(int, int);
using NameFunction = const char* (*)();

// The test library, with the functions a test asks for.
class TestLibrary : public CZorbLibrary {
 public:
  explicit TestLibrary(std::u16string path = colonPathOf(PLEXAR_TEST_LIBRARY))
      : m_path(std::move(path)) {}

  void want(const std::u16string& name, void** slot) { m_functions.SetAt(name, slot); }

  static std::u16string colonPathOf(const std::string& posix) {
    auto colon = platform::posixToColon(posix);
    return colon ? *colon : u"";
  }

  int* destroyed = nullptr;
  ~TestLibrary() override {
    if (destroyed) ++*destroyed;
  }

 protected:
  void GetBundlePath(CString& path) const override { path = m_path.c_str(); }

 private:
  std::u16string m_path;
};

}  // namespace

TEST(CZorbLibrary, LoadFillsEveryListedFunction) {
  TestLibrary lib;
  void* add = nullptr;
  void* name = nullptr;
  lib.want(u"plexar_test_add", &add);
  lib.want(u"plexar_test_name", &name);
  ASSERT_TRUE(lib.Load());
  EXPECT_TRUE(lib.IsLoaded());
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(reinterpret_cast<AddFunction>(add)(20, 22), 42);
  EXPECT_STREQ(reinterpret_cast<NameFunction>(name)(), "plexar test library");

  // A second Load does nothing.
  void* before = add;
  add = nullptr;
  EXPECT_TRUE(lib.Load());
  EXPECT_EQ(add, nullptr);
  add = before;

  // Unload keeps the variables; a new Load fills them again.
  lib.Unload();
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(add, before);
  name = nullptr;
  EXPECT_TRUE(lib.Load());
  EXPECT_NE(name, nullptr);
}

TEST(CZorbLibrary, AMissingFunctionFailsTheLoad) {
  TestLibrary lib;
  void* add = nullptr;
  void* missing = nullptr;
  void* name = nullptr;
  // Name order: plexar_test_add, plexar_test_missing, plexar_test_name.
  lib.want(u"plexar_test_add", &add);
  lib.want(u"plexar_test_missing", &missing);
  lib.want(u"plexar_test_name", &name);
  EXPECT_FALSE(lib.Load());
  EXPECT_NE(add, nullptr);  // before the missing one
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(name, nullptr);
  // Nothing is held that would let a later Load claim success.
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_FALSE(lib.Load());
  EXPECT_FALSE(lib.MapFunctionPointers());

  TestLibrary noSlot;
  noSlot.want(u"plexar_test_add", nullptr);
  EXPECT_FALSE(noSlot.Load());
}

TEST(CZorbLibrary, BundleThatCannotBeLoaded) {
  TestLibrary empty;  // no functions listed: the code alone decides
  EXPECT_TRUE(empty.Load());

  for (const std::u16string& path :
       {std::u16string(u"Disk:no:such:library.so"), std::u16string(u""),
        std::u16string(u"Nowhere:lib.so"), std::u16string(u"Disk:tmp:..:etc")}) {
    TestLibrary lib(path);
    EXPECT_FALSE(lib.Load()) << std::string(path.begin(), path.end());
    EXPECT_FALSE(lib.IsLoaded());
  }
}

TEST(CZorbLibrary, DeletedThroughTheBase) {
  int destroyed = 0;
  auto* lib = new TestLibrary();
  lib->destroyed = &destroyed;
  ASSERT_TRUE(lib->Load());
  std::unique_ptr<CZorbLibrary> base(lib);
  base.reset();
  EXPECT_EQ(destroyed, 1);
}
