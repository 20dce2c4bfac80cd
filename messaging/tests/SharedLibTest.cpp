#include "messaging/SharedLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/tarn/Tarn.h"
#include "testsupport/TarnFixture.h"
#include "testsupport/TempDir.h"

using Velt::ArborTalkUtils::SharedLib;
namespace fs = std::filesystem;

namespace {

// Points the library loader at a bundle for the scope.
class ScopedBundle {
 public:
  explicit ScopedBundle(const std::string& path) { SharedLib::setApplicationBundle(path.c_str()); }
  ~ScopedBundle() { SharedLib::setApplicationBundle(""); }
  ScopedBundle(const ScopedBundle&) = delete;
  ScopedBundle& operator=(const ScopedBundle&) = delete;
};

void copyLibrary(const std::string& to) {
  fs::create_directories(fs::path(to).parent_path());
  fs::copy_file(testsupport::TarnFixture::libraryPath(), to);
}

bool exportsTarn(SharedLib* library) {
  return SharedLib::getFunctionPtr(library, "pdbOpenSessionNoCreate") != nullptr &&
         SharedLib::getFunctionPtr(library, "tarnGetLastModTime") != nullptr;
}

}  // namespace

TEST(SharedLib, TheBundlesFrameworksComeFirstThenTheFolderThatHoldsIt) {
  TempDir dir;
  const std::string app = dir / "Apps/Host.app";
  fs::create_directories(app + "/Contents/MacOS");
  ScopedBundle bundle(app + "/");

  EXPECT_EQ(SharedLib::loadPDBLibrary("vesko_tarn.framework"), nullptr);
  // Beside the bundle.
  copyLibrary(dir / "Apps/libvesko_tarn.so");
  SharedLib* beside = SharedLib::loadPDBLibrary("vesko_tarn.framework");
  ASSERT_NE(beside, nullptr);
  EXPECT_TRUE(exportsTarn(beside));
  EXPECT_EQ(SharedLib::getFunctionPtr(beside, "noSuchFunction"), nullptr);
  EXPECT_EQ(SharedLib::getFunctionPtr(beside, nullptr), nullptr);
  SharedLib::unloadPDBLibrary(beside);

  // A framework folder in the bundle wins over the library beside it.
  copyLibrary(app + "/Contents/Frameworks/vesko_tarn.framework/Contents/MacOS/vesko_tarn");
  fs::remove(dir / "Apps/libvesko_tarn.so");
  SharedLib* framework = SharedLib::loadPDBLibrary("vesko_tarn.framework");
  ASSERT_NE(framework, nullptr);
  EXPECT_TRUE(exportsTarn(framework));
  SharedLib::unloadPDBLibrary(framework);

  EXPECT_EQ(SharedLib::loadPDBLibrary(""), nullptr);
  EXPECT_EQ(SharedLib::loadPDBLibrary(nullptr), nullptr);
  EXPECT_EQ(SharedLib::getFunctionPtr(nullptr, "pdbOpenSessionNoCreate"), nullptr);
  SharedLib::unloadPDBLibrary(nullptr);
}

TEST(SharedLib, AFileThatIsNoLibraryIsNotLoaded) {
  TempDir dir;
  const std::string app = dir / "Host.app";
  fs::create_directories(app + "/Contents/Frameworks");
  TempDir::write(app + "/Contents/Frameworks/libvesko_tarn.so", "not a library");
  ScopedBundle bundle(app);
  EXPECT_EQ(SharedLib::loadPDBLibrary("vesko_tarn.framework"), nullptr);
}
