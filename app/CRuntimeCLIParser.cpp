#include "app/CRuntimeCLIParser.h"

#include <string>

#include "app/CBrioCommand.h"
#include "app/CRequestIdManager.h"
#include "app/CTAMBFrontController.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"

CRuntimeCLIParser* CRuntimeCLIParser::getInstance() {
  static CRuntimeCLIParser* instance = new CRuntimeCLIParser;
  return instance;
}

void CRuntimeCLIParser::saveCommandLine(const char16_t* text, bool fromArguments) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_CmdLine = CString(text);
  m_fromArguments = fromArguments;
}

void CRuntimeCLIParser::getCommandLine(CString& out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  out = m_CmdLine;
}

void CRuntimeCLIParser::handleCommandLine() {
  std::lock_guard<std::mutex> order(m_handOverMutex);
  CString line;
  bool fromArguments = false;
  {
    // Taken and emptied at once: a line is handed over once only.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_CmdLine.GetLength() == 0) return;
    line = m_CmdLine;
    fromArguments = m_fromArguments;
    m_CmdLine.Empty();
  }
  handOver(line, false, fromArguments);
}

void CRuntimeCLIParser::receive(const CString& line, bool fromArguments) {
  saveCommandLine(line, fromArguments);
  if (CRequestIdManager::getInstance()->getBrioState()) {
    Logger::write(Logger::kDebug, std::string("Brio state is true"), __FILE__, __LINE__);
    handleCommandLine();
  } else {
    Logger::write(Logger::kError, std::string("Brio state is false"), __FILE__, __LINE__);
  }
}

void CRuntimeCLIParser::handOver(const CString& line, bool startup, bool fromArguments) {
  if (line.GetLength() == 0) return;
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  // A line that is not well-formed UTF-16 goes with replacement characters
  // rather than not at all.
  const std::string utf8 = platform::utf16ToUtf8Lossy(
      std::u16string_view(line.Get(), static_cast<size_t>(line.GetLength())));
  CTAMBFrontController::getInstance()->sendCallbackMessage(
      "brioHandleCommandLine",
      makeArguments({id, utf8, startup ? "1" : "0", fromArguments ? "1" : "0"}));
}

void CRuntimeCLIParser::resetForTest() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_CmdLine.Empty();
  m_fromArguments = false;
}
