#include "app/CRuntimeCLIParser.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/CLIReadyCommand.h"
#include "app/tests/MovieTestSupport.h"

using movietest::MovieTest;
using movietest::RecordingSink;
using movietest::Sent;

namespace {

class RuntimeLines : public MovieTest {};

CString lineFor(int i) {
  const std::string digits = std::to_string(i);
  return CString(std::u16string(digits.begin(), digits.end()).c_str());
}

}  // namespace

TEST_F(RuntimeLines, LinesArrivingWhileTheMovieGetsReadyAreNeitherLostNorDoubled) {
  constexpr int kLines = 200;
  for (int round = 0; round < 20; ++round) {
    CRequestIdManager::getInstance()->resetForTest();
    CRuntimeCLIParser::getInstance()->resetForTest();
    RecordingSink sink;
    // The main thread takes documents while the worker runs the ready
    // command.
    std::thread documents([] {
      for (int i = 0; i < kLines; ++i) CRuntimeCLIParser::getInstance()->receive(lineFor(i), true);
    });
    std::thread worker([] {
      CLIReadyCommand ready;
      ready.setRequestId("r");
      ready.doComand();
    });
    documents.join();
    worker.join();

    // Lines may be replaced while the movie is not ready; those handed over
    // come once each, in order, and the last is among them.
    std::vector<int> handed;
    for (const Sent& s : sink.sent())
      if (s.name == "brioHandleCommandLine") handed.push_back(std::stoi(s.args[1]));
    ASSERT_FALSE(handed.empty()) << round;
    EXPECT_EQ(handed.back(), kLines - 1) << round;
    for (size_t i = 1; i < handed.size(); ++i) EXPECT_LT(handed[i - 1], handed[i]) << round;
    CString pending;
    CRuntimeCLIParser::getInstance()->getCommandLine(pending);
    EXPECT_EQ(pending, CString()) << round;
  }
}
