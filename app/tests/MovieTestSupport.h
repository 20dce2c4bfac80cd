#pragma once

// Shared by the movie-interface tests: a fake engine, a stand-in for the
// road to the movie that records every call and can answer at once, and a
// fixture that puts the process-wide state back.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/CBrioCommand.h"
#include "app/CCommandFactory.h"
#include "app/CRequestIdManager.h"
#include "app/CRuntimeCLIParser.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "app/LumenExternalInterface.h"
#include "app/MovieConnection.h"
#include "foundation/AppGlobals.h"
#include "foundation/CStartupCLIParser.h"
#include "support/string_t.h"

namespace movietest {

namespace lei = vesko::tamb_canvas::lumen_external_interface;

class FakeEngine final : public IEngine {
 public:
  void SetUI(CZorbPlexarUI* ui) override { m_ui = ui; }
  CZorbPlexarUI* GetUI() const override { return m_ui; }
  int32_t Init() override {
    ++initCalls;
    return initResult;
  }
  void SetLastErrorText(const CString& text) override { lastError = text; }
  void SetDefaultProductLocale(const CString& locale) override { productLocale = locale; }

  int32_t initResult = 0;
  int initCalls = 0;
  CString lastError;
  CString productLocale;

 private:
  CZorbPlexarUI* m_ui = nullptr;
};

// A call to the movie as the movie sees it, its texts decoded.
struct Sent {
  std::string name;
  std::vector<std::string> args;
};

inline std::vector<std::string> stringsOf(const lei::request_t& request, bool decode) {
  std::vector<std::string> out;
  for (const auto& arg : request.arguments_m) {
    if (arg.type_info() != vesko::type_info<vesko::string_t>()) continue;
    const std::string text(arg.cast<vesko::string_t>());
    out.push_back(decode ? CTAMBFrontController::getInstance()->codec().decode(text) : text);
  }
  return out;
}

// A request of strings as the movie would make it: texts escaped.
inline lei::request_t movieCall(const std::string& name, const std::vector<std::string>& args) {
  lei::request_t request;
  request.name_m = vesko::name_t(name.c_str());
  for (const std::string& a : args)
    request.arguments_m.push_back(vesko::any_regular_t(
        vesko::string_t(CTAMBFrontController::getInstance()->codec().encode(a))));
  return request;
}

// Takes every call to the movie in place of the main loop. A responder may
// return the values of an answer, which is then dispatched at once, inside
// the post, as the movie's answer [id, values...].
class RecordingSink {
 public:
  using Responder = std::function<std::optional<std::vector<std::string>>(const Sent&)>;

  RecordingSink() {
    MovieConnection::setSinkForTest([this](std::unique_ptr<lei::request_t> request) {
      Sent sent{request->name_m.c_str(), stringsOf(*request, true)};
      Responder responder;
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sent.push_back(sent);
        responder = m_responder;
      }
      if (!responder) return;
      const auto values = responder(sent);
      if (!values) return;
      if (CRequestIdManager::getInstance()->waitingCount() == 0) {
        // Nobody is registered for the answer: it would be lost and the
        // asking thread would wait for ever. Release it instead.
        ADD_FAILURE() << "answer to " << sent.name << " before its request was registered";
        CRequestIdManager::getInstance()->cancelAllWaits();
        return;
      }
      std::vector<std::string> answer{sent.args.empty() ? std::string() : sent.args[0]};
      answer.insert(answer.end(), values->begin(), values->end());
      lei::request_t reply = movieCall("externalCallBack", answer);
      CTAMBFrontController::getInstance()->dispatchInvocation(reply);
    });
  }
  ~RecordingSink() { MovieConnection::setSinkForTest(nullptr); }
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;

  void setResponder(Responder responder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_responder = std::move(responder);
  }
  // Answers every question with the same values.
  void answerWith(std::vector<std::string> values) {
    setResponder([values](const Sent&) { return std::optional<std::vector<std::string>>(values); });
  }
  std::vector<Sent> sent() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sent;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const Sent& s : sent()) out.push_back(s.name);
    return out;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sent.clear();
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<Sent> m_sent;
  Responder m_responder;
};

// Makes the command for the call, parses the arguments (after the request
// id "-7") and, when they pass, runs it; what it sent back to the movie.
inline std::vector<std::string> runCommand(RecordingSink& sink, const char* call,
                                           std::vector<std::string> args, bool* parsed = nullptr) {
  std::unique_ptr<CBrioCommand> command = CCommandFactory::getInstance()->getCommand(call);
  EXPECT_TRUE(command);
  if (!command) return {};
  args.insert(args.begin(), "-7");
  command->setRequestId("-7");
  command->setArguments(makeArguments(args));
  sink.clear();
  const bool ok = command->parseArguments();
  if (parsed) *parsed = ok;
  if (ok) command->execute();
  std::vector<std::string> out;
  for (const Sent& sent : sink.sent()) {
    EXPECT_EQ(sent.name, "brioCallBack");
    out.insert(out.end(), sent.args.begin(), sent.args.end());
  }
  return out;
}

// A command whose work a test gives; it may ask the movie and reply.
class ScriptedCommand final : public CBrioCommand {
 public:
  using Work = std::function<void(ScriptedCommand&)>;

  ScriptedCommand(const char* name, Work work, bool parses = true)
      : m_name(name), m_work(std::move(work)), m_parses(parses) {}
  const char* getCommandName() const override { return m_name; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return m_parses; }
  void execute() override {
    if (m_work) m_work(*this);
  }

 private:
  const char* m_name;
  Work m_work;
  bool m_parses;
};

// Puts back what the movie-interface code keeps for the whole process.
class MovieTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CRequestIdManager::getInstance()->resetForTest();
    CRuntimeCLIParser::getInstance()->resetForTest();
    CStartupCLIParser* parser = CStartupCLIParser::getInstance();
    m_savedLine = parser->m_CmdLine;
    m_savedFlag = parser->m_fromArguments;
    m_savedLocale = parser->m_localeCode;
    parser->m_CmdLine.Empty();
    parser->m_fromArguments = false;
    g_isInSuppressMode = false;
    g_exitCode = 0;
    CTAMBFrontController::m_manager = &engine;
    CTAMBFrontController::m_CommandExecutor = nullptr;
  }
  void TearDown() override {
    CTAMBFrontController::m_manager = nullptr;
    CTAMBFrontController::m_CommandExecutor = nullptr;
    CStartupCLIParser* parser = CStartupCLIParser::getInstance();
    parser->m_CmdLine = m_savedLine;
    parser->m_fromArguments = m_savedFlag;
    parser->m_localeCode = m_savedLocale;
    g_isInSuppressMode = false;
    CRequestIdManager::getInstance()->resetForTest();
  }
  void setStartupLine(const char16_t* line, bool fromArguments) {
    CStartupCLIParser* parser = CStartupCLIParser::getInstance();
    parser->m_CmdLine = line;
    parser->m_fromArguments = fromArguments;
  }

  FakeEngine engine;

 private:
  CString m_savedLine;
  bool m_savedFlag = false;
  CString m_savedLocale;
};

}  // namespace movietest

namespace movietest {

// Yields until pred() holds or boundMs of real time pass; for conditions
// another thread makes true. A passing test never reaches the bound.
inline bool eventually(const std::function<bool()>& pred, int boundMs = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

}  // namespace movietest
