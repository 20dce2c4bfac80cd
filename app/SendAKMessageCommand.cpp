#include "app/SendAKMessageCommand.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "app/CommandText.h"
#include "engine/CZorbPlexar.h"
#include "foundation/AppGlobals.h"
#include "foundation/Logger.h"

namespace {

constexpr size_t kArguments = 6;

void error(const std::string& text, int line) {
  Logger::write(Logger::kError, text, __FILE__, line);
}

// A decimal text as strtol reads it, held to the exit code's range.
int32_t exitCodeOf(const CString& text) {
  const std::string digits = commandUtf8(text);
  const long long value = std::strtoll(digits.c_str(), nullptr, 10);
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

bool SendAKMessageCommand::parseArguments() {
  m_sourceType = kNotValid;
  m_productName = u"UnKnown";
  m_exitCode = u"0";
  m_errorText.Empty();
  m_message = u"0";
  if (argumentCount() < kArguments) {
    error("SendAKMessageCommand: Arguments are less than 6", __LINE__);
    return true;
  }
  const std::string type = argumentText(1);
  if (type == "0")
    m_sourceType = kBySpecifier;
  else if (type == "1")
    m_sourceType = kByProductName;
  m_productName = commandText(argumentText(2));
  m_exitCode = commandText(argumentText(3));
  m_errorText = commandText(argumentText(4));
  m_message = commandText(argumentText(5));
  return true;
}

void SendAKMessageCommand::execute() {
  CZorbPlexar* engine = commandEngine();
  if (m_sourceType == kNotValid || engine == nullptr) {
    sendReply({"2"});
    error("The source product type is not a valid one", __LINE__);
    return;
  }
  if (engine->m_lastError.GetLength() == 0 && m_errorText.GetLength() > 0)
    engine->m_lastError = m_errorText;
  if (m_exitCode.GetLength() > 0 && m_exitCode != u"0") g_exitCode = exitCodeOf(m_exitCode);
  engine->m_responseCode = m_message;
  engine->m_notificationState = m_sourceType;
  engine->m_notificationSource = m_productName;
  engine->SendAKMessageToProduct();
  sendReply({"0"});
}
