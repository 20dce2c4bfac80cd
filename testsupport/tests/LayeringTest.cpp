#include "testsupport/Layering.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "testsupport/TempDir.h"

using testsupport::checkLayers;
using testsupport::LayerRules;
using testsupport::projectLayers;

namespace {

const std::set<std::string> kTestFolders = {"testsupport", "testdata"};

std::string describe(const std::vector<testsupport::LayerViolation>& found) {
  std::string text;
  for (const auto& v : found) text += v.text() + "\n";
  return text;
}

}  // namespace

TEST(Layering, EveryIncludeOfTheTreePointsDownTheLibraryList) {
  const auto found = checkLayers(PLEXAR_SOURCE_DIR, projectLayers(), kTestFolders);
  EXPECT_TRUE(found.empty()) << describe(found);
}

TEST(Layering, APlantedUpwardIncludeIsNamedWithItsFileAndLine) {
  TempDir tree;
  const LayerRules rules = {{"low", {}}, {"mid", {"low"}}, {"high", {"mid"}}};
  auto write = [&](const std::string& relative, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(tree / relative).parent_path());
    std::ofstream(tree / relative) << content;
  };
  write("low/A.h", "#pragma once\n#include <vector>\n#include \"low/B.h\"\n");
  write("mid/C.cpp", "#include \"mid/C.h\"\n#include \"low/A.h\"\n");
  // high reaches low only through mid: allowed.
  write("high/D.cpp", "#include \"low/A.h\"\n");
  write("low/tests/ATest.cpp", "#include \"testsupport/TempDir.h\"\n");
  // The plants: low reaching up to mid, and mid's test reaching up to high.
  write("low/B.h", "#pragma once\n\n  #  include \"mid/C.h\"\n");
  write("mid/tests/CTest.cpp", "#include \"high/D.h\"\n");

  const auto found = checkLayers(tree.path(), rules, kTestFolders);
  ASSERT_EQ(found.size(), 2u) << describe(found);
  EXPECT_EQ(found[0].text(), "low/B.h:3: includes \"mid/C.h\"");
  EXPECT_EQ(found[1].text(), "mid/tests/CTest.cpp:1: includes \"high/D.h\"");
}

TEST(Layering, TestHelpersAreForTestsOnly) {
  TempDir tree;
  std::filesystem::create_directories(tree / "low");
  std::ofstream(tree / "low/A.cpp") << "#include \"testsupport/TempDir.h\"\n";
  const auto found = checkLayers(tree.path(), {{"low", {}}}, kTestFolders);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].text(), "low/A.cpp:1: includes \"testsupport/TempDir.h\"");
}
