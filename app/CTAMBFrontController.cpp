#include "app/CTAMBFrontController.h"

#include <new>
#include <string>

#include "app/CCommandFactory.h"
#include "app/CGetSupportedLocalList.h"
#include "app/CLIParseLocaleCmd.h"
#include "app/CLIParseSuppressCmd.h"
#include "app/CRequestIdManager.h"
#include "app/CRuntimeCLIParser.h"
#include "app/CTAMBControllerUI.h"
#include "app/CommandExecutor.h"
#include "app/IEngine.h"
#include "app/MovieConnection.h"
#include "foundation/AppGlobals.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "support/empty_t.h"
#include "support/string_t.h"

namespace lei = vesko::tamb_canvas::lumen_external_interface;

IEngine* CTAMBFrontController::m_manager = nullptr;
std::atomic<CommandExecutor*> CTAMBFrontController::m_CommandExecutor{nullptr};
tamb::Player* CTAMBFrontController::m_BrioControl = nullptr;

namespace {

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

bool isString(const vesko::any_regular_t& v) {
  return v.type_info() == vesko::type_info<vesko::string_t>();
}

void logWrongType(const vesko::any_regular_t& v, int line) {
  logLine(Logger::kDebug, std::string("Not Correct type:") + v.type_info().name(), line);
}

// The start-up line goes to the movie as any command line does, marked as
// the start-up one.
void handOverStartupLine(const CString& line, bool fromArguments) {
  CRuntimeCLIParser::handOver(line, true, fromArguments);
}

// The UI adapter the hand-shake gives the engine; it lives to the end of
// the process (a later hand-shake replaces it).
std::unique_ptr<CTAMBControllerUI>& theAdapter() {
  static std::unique_ptr<CTAMBControllerUI>* adapter = new std::unique_ptr<CTAMBControllerUI>;
  return *adapter;
}

// The start-up command line as UTF-8 and its from-arguments flag; false
// when there is none.
bool startupLine(std::string& utf8, std::string& flag) {
  CStartupCLIParser* parser = CStartupCLIParser::getInstance();
  CString line;
  parser->getCommandLine(line);
  if (line.GetLength() == 0) return false;
  try {
    StringUtil::convertStringToSingle(line, utf8);
  } catch (const std::exception& e) {
    logLine(Logger::kError, std::string("The start-up command line is not text: ") + e.what(),
            __LINE__);
    return false;
  }
  flag = parser->isFromArguments() ? "1" : "0";
  return true;
}

}  // namespace

CTAMBFrontController* CTAMBFrontController::getInstance() {
  static CTAMBFrontController* instance = [] {
    CStartupCLIParser::setHandOver(&handOverStartupLine);
    return new CTAMBFrontController;
  }();
  return instance;
}

void CTAMBFrontController::sendCallbackMessage(const char* name, const ArgumentVector& args) {
  if (!name) {
    logLine(Logger::kFatal, "A call to the movie without a name", __LINE__);
    return;
  }
  auto request = std::make_unique<request_t>();
  // Callers pass literals: the name is the text itself.
  request->name_m = vesko::name_t(name, vesko::dont_copy_t());
  logLine(Logger::kDebug, "sendCallbackMessage start", __LINE__);
  logLine(Logger::kDebug, std::string("Method Name: ") + name, __LINE__);
  for (const vesko::any_regular_t& arg : args) {
    if (!isString(arg)) {
      logWrongType(arg, __LINE__);
      continue;
    }
    try {
      const std::string encoded = m_codec.encode(std::string(arg.cast<vesko::string_t>()));
      logLine(Logger::kDebug, encoded, __LINE__);
      request->arguments_m.push_back(vesko::any_regular_t(vesko::string_t(encoded)));
    } catch (const std::bad_alloc&) {
      logLine(Logger::kFatal, "Can't malloc enough memory", __LINE__);
    }
  }
  logLine(Logger::kDebug, "sendCallbackMessage end", __LINE__);
  MovieConnection::post(std::move(request));
}

void CTAMBFrontController::sendGeneralErrorMsg(const char* name) {
  if (!name) return;
  request_t request;
  request.name_m = vesko::name_t(name, vesko::dont_copy_t());
  request.arguments_m.push_back(
      vesko::any_regular_t(vesko::string_t("The Brio's arguments not expected")));
  (void)lei::lumen_player_invoke_request(m_BrioControl, request);
}

void CTAMBFrontController::evaluateSupressMode() {
  std::string line;
  std::string flag;
  if (!startupLine(line, flag)) return;
  CLIParseSuppressCmd cmd;
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  cmd.setRequestId(id);
  logLine(Logger::kDebug, "Sending Suppress contents to Brio", __LINE__);
  if (!CRequestIdManager::getInstance()->SendRequestAndWait(&cmd,
                                                            makeArguments({id, line, "1", flag})))
    return;
  if (cmd.argumentCount() > 1) {
    if (cmd.argumentText(1) == "0") g_isInSuppressMode = true;
  } else {
    logLine(Logger::kError, "Brio send error response for suppress arguments", __LINE__);
  }
}

bool CTAMBFrontController::Initialize() {
  evaluateSupressMode();

  CGetSupportedLocalList localeList;
  localeList.getLocaleListAndStore();

  std::string requested;
  std::string line;
  std::string flag;
  if (startupLine(line, flag)) {
    CLIParseLocaleCmd cmd;
    std::string id;
    CRequestIdManager::getInstance()->getRequestIdToBrio(id);
    cmd.setRequestId(id);
    logLine(Logger::kDebug, "Sending Locale contents to Brio", __LINE__);
    if (CRequestIdManager::getInstance()->SendRequestAndWait(
            &cmd, makeArguments({id, line, "1", flag}))) {
      if (cmd.argumentCount() > 1) {
        if (cmd.argumentText(1) == "0") {
          if (cmd.argumentCount() == 3)
            requested = cmd.argumentText(2);
          else
            logLine(Logger::kError, "Brio's Locale arguments size not correct", __LINE__);
        }
      } else {
        logLine(Logger::kError, "Brio send error response for Locale arguments", __LINE__);
      }
    }
  }

  CStartupCLIParser* parser = CStartupCLIParser::getInstance();
  const bool valid = !requested.empty() && CZorbOS::isValidLang(requested);
  const std::string code = valid ? requested : CZorbOS::GetUserPreferredLanguageCode();
  CString wideCode;
  CZorbOS::ansiCharToCString(code.c_str(), wideCode);
  parser->setLocaleCode(wideCode);
  if (valid && m_manager) m_manager->SetDefaultProductLocale(wideCode);

  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  sendCallbackMessage("brioSetLocale", makeArguments({id, code}));

  CString::processStringDataMap();
  CZorbOS::setLocale(wideCode);
  CZorbUnicodeConverter::Initialize();

  if (!m_manager) {
    logLine(Logger::kFatal, "Plexar initialized failed: no engine", __LINE__);
    return false;
  }
  // A shutdown during the hand-shake must not start the engine's work.
  if (CRequestIdManager::getInstance()->isCancellingWaits()) return false;
  theAdapter() = std::make_unique<CTAMBControllerUI>();
  m_manager->SetUI(theAdapter().get());
  if (m_manager->Init() != 0) {
    logLine(Logger::kFatal, "Plexar initialized failed", __LINE__);
    return false;
  }
  return true;
}

void CTAMBFrontController::dispatchInvocation(request_t& request) {
  const std::string name = request.name_m.c_str();
  logLine(Logger::kDebug, "Receive the request from Brio, Request name is " + name, __LINE__);
  ArgumentVector args;
  for (const vesko::any_regular_t& arg : request.arguments_m) {
    if (!isString(arg)) {
      logWrongType(arg, __LINE__);
      continue;
    }
    try {
      const std::string decoded = m_codec.decode(std::string(arg.cast<vesko::string_t>()));
      args.push_back(vesko::any_regular_t(vesko::string_t(decoded)));
    } catch (const std::bad_alloc&) {
      logLine(Logger::kFatal, "Can't malloc enough memory", __LINE__);
    }
  }

  // A new command for every call: two calls of one name never share one.
  std::unique_ptr<CBrioCommand> cmd = CCommandFactory::getInstance()->getCommand(name);
  if (args.empty()) {
    logLine(Logger::kError, "The size of arguments from Brio is zero, it is invalid", __LINE__);
    return;
  }
  const std::string id = std::string(args[0].cast<vesko::string_t>());
  if (cmd) {
    cmd->setRequestId(id);
    cmd->setArguments(args);
    if (!cmd->parseArguments()) return;
    CommandExecutor* executor = m_CommandExecutor.load();
    if (!executor) {
      logLine(Logger::kError, "No worker yet; the call " + name + " is dropped", __LINE__);
      return;
    }
    executor->postMessage(std::move(cmd));
    return;
  }
  logLine(Logger::kDebug, "RequestId is" + id + ". It is a request used to unlock OK/Cancel",
          __LINE__);
  CRequestIdManager::getInstance()->NotifyCommand(id, args);
}
