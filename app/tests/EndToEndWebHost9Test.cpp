// The web host's version 9 as a person meets it from a shell: installed
// beside the sample hosts and shown by the machine's marker, it is listed
// with the others and can be named with --product.

#include <gtest/gtest.h>

#include <string>

#include "app/tests/EndToEndMachine.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class EndToEndWebHost9 : public ::testing::Test {
 protected:
  EndToEndWebHost9() {
    // Version 9 has no configuration file and no messaging name: it is
    // found by its application folder.
    testsupport::FakeHost nine;
    nine.name = "Loomwright";
    nine.folder = "Applications/Vesko Loomwright WB3";
    nine.signature = "LmWt";
    nine.version = "9.0.2";
    machine.machine().addHost(nine);
    // Start-up makes the version 9 line only where the machine asks for it.
    machine.machine().writeFile("wb3.display", "");
  }

  endtoend::Machine machine;
};

TEST_F(EndToEndWebHost9, AnInstalledVersion9IsListedAndCanBeChosen) {
  const platform::SpawnResult products = machine.run({"products"});
  ASSERT_EQ(products.startError, 0);
  EXPECT_EQ(products.exitCode, 0) << products.errorOutput;
  EXPECT_TRUE(contains(products.output, "Loomwright WB3\t9.0.2\t" +
                                            machine.posix("Applications/Vesko Loomwright WB3")))
      << products.output;
  // The newer hosts are still there beside it.
  EXPECT_TRUE(contains(products.output, "Loomwright WB5\t11")) << products.output;
  EXPECT_TRUE(contains(products.output, "Emberly WB5\t11")) << products.output;
  EXPECT_EQ(products.errorOutput, "");

  const platform::SpawnResult list = machine.run({"list", "--product", "Loomwright WB3"});
  ASSERT_EQ(list.startError, 0);
  EXPECT_EQ(list.exitCode, 0) << list.errorOutput;
  EXPECT_EQ(list.output, "No extensions installed.\n");
  EXPECT_EQ(list.errorOutput, "");
}

}  // namespace
