// The library's messenger: sending and the instance it sends through are
// the start-up's to install.

#include "engine/CZorbHostMessenger.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::pair<std::string, std::string>> g_sent;
bool g_instance = false;

bool RecordSend(const std::string& target, const std::string& body) {
  g_sent.emplace_back(target, body);
  return true;
}
bool InstanceExists() {
  return g_instance;
}

class HostMessenger : public ::testing::Test {
 protected:
  void SetUp() override {
    g_sent.clear();
    g_instance = false;
  }
  void TearDown() override { CZorbHostMessenger::SetSender(nullptr); }
};

TEST_F(HostMessenger, SendsOnlyThroughAnInstalledSenderWhileItsInstanceExists) {
  CZorbHostMessenger& messenger = CZorbHostMessenger::Current();
  EXPECT_FALSE(messenger.HasInstance());
  EXPECT_FALSE(messenger.Send("lumen-11.0", "quit"));

  // Without a probe the sender stands for the instance.
  CZorbHostMessenger::SetSender(&RecordSend);
  EXPECT_TRUE(messenger.HasInstance());
  EXPECT_TRUE(messenger.Send("lumen-11.0", "quit"));

  CZorbHostMessenger::SetSender(&RecordSend, &InstanceExists);
  EXPECT_FALSE(messenger.HasInstance());
  g_instance = true;
  EXPECT_TRUE(messenger.HasInstance());

  // Taking the sender away takes its probe with it.
  CZorbHostMessenger::SetSender(nullptr, &InstanceExists);
  EXPECT_FALSE(messenger.HasInstance());
  EXPECT_FALSE(messenger.Send("lumen-11.0", "again"));
  EXPECT_EQ(g_sent, (std::vector<std::pair<std::string, std::string>>{{"lumen-11.0", "quit"}}));
}

}  // namespace
