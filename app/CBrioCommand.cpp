#include "app/CBrioCommand.h"

#include <cstdlib>
#include <exception>

#include "app/CRequestIdManager.h"
#include "app/CTAMBControllerUI.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "foundation/Logger.h"
#include "support/string_t.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// Makes the command the adapter's current one for as long as it runs.
class CurrentCommand {
 public:
  explicit CurrentCommand(CBrioCommand* cmd) {
    IEngine* engine = CTAMBFrontController::m_manager;
    m_ui = engine ? dynamic_cast<CTAMBControllerUI*>(engine->GetUI()) : nullptr;
    if (m_ui) m_ui->setCurrentCommand(cmd);
  }
  ~CurrentCommand() {
    // The command is deleted after it ran: the adapter must not keep it.
    if (m_ui) m_ui->setCurrentCommand(nullptr);
  }
  CurrentCommand(const CurrentCommand&) = delete;
  CurrentCommand& operator=(const CurrentCommand&) = delete;

 private:
  CTAMBControllerUI* m_ui = nullptr;
};

}  // namespace

CBrioCommand::ArgumentVector makeArguments(const std::vector<std::string>& strings) {
  CBrioCommand::ArgumentVector args;
  args.reserve(strings.size());
  for (const std::string& s : strings) args.push_back(vesko::any_regular_t(vesko::string_t(s)));
  return args;
}

std::string CBrioCommand::argumentText(size_t i) const {
  if (i >= m_arguments.size()) return {};
  const vesko::any_regular_t& v = m_arguments[i];
  if (v.type_info() != vesko::type_info<vesko::string_t>()) return {};
  return std::string(v.cast<vesko::string_t>());
}

void CBrioCommand::doComand() {
  CurrentCommand current(this);
  try {
    execute();
  } catch (const std::exception& e) {
    logLine(Logger::kFatal, std::string("Command ") + getCommandName() + " failed: " + e.what(),
            __LINE__);
  }
}

void CBrioCommand::onSendOKCancelMsg(std::string& text, unsigned int type) {
  CTAMBFrontController::getInstance()->sendCallbackMessage(
      "brioCallBack", makeArguments({m_requestId, "8", std::to_string(type), text}));
}

void CBrioCommand::onSendPromptFolderMsg(const std::string& a, const std::string& b) {
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioCallBack",
                                                           makeArguments({m_requestId, "6", a, b}));
}

void CBrioCommand::onProcessAcceptMessage(std::string& a, std::string& b) {
  CTAMBFrontController::getInstance()->sendCallbackMessage("brioCallBack",
                                                           makeArguments({m_requestId, "7", a, b}));
}

int CBrioCommand::onRecvOKCancelMsg() {
  if (m_cancelled) return CZorbPlexarUI::kAnswerCancel;
  if (m_arguments.size() != 2) {
    logLine(Logger::kError, "Receive error arguments on responding OK/Cacel button", __LINE__);
    return 3;
  }
  return static_cast<int>(std::strtol(argumentText(1).c_str(), nullptr, 10));
}

bool CBrioCommand::OnConfirmLegalMsg() {
  if (m_cancelled) return false;
  if (m_arguments.size() != 2) {
    logLine(Logger::kError, "Receive error arguments on responding Confirmation button", __LINE__);
    return false;
  }
  return argumentText(1) == "0";
}

bool CBrioCommand::onHandlePromptMsg(std::string& folder) {
  if (m_cancelled) return false;
  const char* malformed = "Receive error arguments on responding PromptFolder message";
  if (m_arguments.size() <= 1) {
    logLine(Logger::kError, malformed, __LINE__);
    return false;
  }
  if (argumentText(1) != "0") return false;
  if (m_arguments.size() != 3) {
    logLine(Logger::kError, malformed, __LINE__);
    return false;
  }
  folder = argumentText(2);
  return true;
}

int CBrioCommand::askOKCancel(std::string text, unsigned int type) {
  CRequestIdManager::getInstance()->SendRequestAndWait(this,
                                                       [&] { onSendOKCancelMsg(text, type); });
  return onRecvOKCancelMsg();
}

bool CBrioCommand::askConfirmation(std::string a, std::string b) {
  CRequestIdManager::getInstance()->SendRequestAndWait(this, [&] { onProcessAcceptMessage(a, b); });
  return OnConfirmLegalMsg();
}

bool CBrioCommand::askFolder(const std::string& a, const std::string& b, std::string& folder) {
  CRequestIdManager::getInstance()->SendRequestAndWait(this, [&] { onSendPromptFolderMsg(a, b); });
  return onHandlePromptMsg(folder);
}

void CBrioCommand::sendReply(const std::vector<std::string>& values) const {
  std::vector<std::string> strings;
  strings.reserve(values.size() + 1);
  strings.push_back(m_requestId);
  strings.insert(strings.end(), values.begin(), values.end());
  CTAMBFrontController::getInstance()->sendCallbackMessage(getCommandCBName(),
                                                           makeArguments(strings));
}
