#include "platform/os/DynamicLibrary.h"

#include <gtest/gtest.h>

#include "testsupport/AppSandbox.h"

using osapps_test::Sandbox;
using platform::DynamicLibrary;

TEST(DynamicLibrary, OpensAndFindsSymbols) {
  DynamicLibrary lib;
  EXPECT_FALSE(lib.isOpen());
  EXPECT_EQ(lib.symbol("plexar_test_add"), nullptr);
  ASSERT_TRUE(lib.open(PLEXAR_TEST_LIBRARY)) << lib.error();
  auto add = reinterpret_cast<int (*)(int, int)>(lib.symbol("plexar_test_add"));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 40), 42);
  EXPECT_EQ(*static_cast<int*>(lib.symbol("plexar_test_counter")), 7);
  EXPECT_EQ(lib.symbol("plexar_no_such_function"), nullptr);
  EXPECT_EQ(lib.symbol(""), nullptr);
  lib.close();
  EXPECT_FALSE(lib.isOpen());

  EXPECT_FALSE(lib.open("/nonexistent/libnothing.so"));
  EXPECT_FALSE(lib.error().empty());
}

TEST(DynamicLibrary, ExecutableOfABundle) {
  Sandbox box;
  // A file is its own code.
  EXPECT_EQ(platform::bundleExecutablePath(PLEXAR_TEST_LIBRARY), PLEXAR_TEST_LIBRARY);
  // A bundle folder names its code in Info.plist...
  Sandbox::write(box / "Tarn.framework/Contents/Info.plist",
                 Sandbox::infoPlist("TARN", "x.tarn", "1", "libtarn.so"));
  Sandbox::write(box / "Tarn.framework/Contents/MacOS/libtarn.so", "");
  EXPECT_EQ(platform::bundleExecutablePath(box / "Tarn.framework/"),
            box / "Tarn.framework/Contents/MacOS/libtarn.so");
  // ...or the code is named after the folder.
  Sandbox::write(box / "Other.bundle/Contents/MacOS/Other", "");
  EXPECT_EQ(platform::bundleExecutablePath(box / "Other.bundle"),
            box / "Other.bundle/Contents/MacOS/Other");
  std::filesystem::create_directories(box / "Empty.bundle");
  EXPECT_EQ(platform::bundleExecutablePath(box / "Empty.bundle"), "");
  EXPECT_EQ(platform::bundleExecutablePath(box / "missing"), "");
}
