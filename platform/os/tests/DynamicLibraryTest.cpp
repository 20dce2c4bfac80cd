#include "platform/os/DynamicLibrary.h"

#include <gtest/gtest.h>

#include "testsupport/AppBundle.h"
#include "testsupport/SandboxMachine.h"

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
  testsupport::SandboxMachine box;
  // A file is its own code.
  EXPECT_EQ(platform::bundleExecutablePath(PLEXAR_TEST_LIBRARY), PLEXAR_TEST_LIBRARY);
  // A bundle folder names its code in Info.plist...
  box.writeFile("Tarn.framework/Contents/Info.plist",
                testsupport::infoPlist("TARN", "x.tarn", "1", "libtarn.so"));
  box.writeFile("Tarn.framework/Contents/MacOS/libtarn.so", "");
  EXPECT_EQ(platform::bundleExecutablePath(box.posix("Tarn.framework/")),
            box.posix("Tarn.framework/Contents/MacOS/libtarn.so"));
  // ...or the code is named after the folder.
  box.writeFile("Other.bundle/Contents/MacOS/Other", "");
  EXPECT_EQ(platform::bundleExecutablePath(box.posix("Other.bundle")),
            box.posix("Other.bundle/Contents/MacOS/Other"));
  std::filesystem::create_directories(box.posix("Empty.bundle"));
  EXPECT_EQ(platform::bundleExecutablePath(box.posix("Empty.bundle")), "");
  EXPECT_EQ(platform::bundleExecutablePath(box.posix("missing")), "");
}
