#include "app/CPackageCommand.h"

#include <string>

#include "app/CommandText.h"
#include "engine/CZorbPlexar.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "package/CZorbPackageUtility.h"

namespace {

constexpr size_t kArguments = 4;  // the request id and three texts
constexpr unsigned int kMsgInvalidPath = 4204;

void log(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

}  // namespace

bool CPackageCommand::parseArguments() {
  if (argumentCount() < kArguments) {
    log(Logger::kDebug, "Wrong argument number.", __LINE__);
    return false;
  }
  m_source = commandText(argumentText(1));
  m_destination = commandText(argumentText(2));
  m_packageType = commandText(argumentText(3));
  return true;
}

void CPackageCommand::SetResponse(bool ok) {
  sendReply({ok ? "0" : "1"});
}

void CPackageCommand::promptPathFailedMsg(const CString& path) {
  // Whatever the person answers, the path stays invalid.
  (void)askOKCancel(commandUtf8(commandMessage(kMsgInvalidPath, path)), 0);
}

void CPackageCommand::execute() {
  CString source;
  if (!CZorbOS::convertPath(std::u16string(m_source.Get()), source, true)) {
    promptPathFailedMsg(m_source);
    SetResponse(false);
    log(Logger::kError, "package extension,  convert source path failed", __LINE__);
    return;
  }
  CString destination;
  if (!CZorbOS::convertPath(std::u16string(m_destination.Get()), destination, true)) {
    promptPathFailedMsg(m_destination);
    SetResponse(false);
    log(Logger::kError, "package extension,  convert destination path failed", __LINE__);
    return;
  }
  const int type = CZorbPackageUtility::getIntTraslationForPackageType(m_packageType.Get());
  if (type == CZorbPackageUtility::kUnknown) {
    SetResponse(false);
    log(Logger::kError, "package extension,  unknown package type: " + commandUtf8(m_packageType),
        __LINE__);
    return;
  }
  CZorbPlexar* engine = commandEngine();
  const int result =
      engine ? engine->CreatePackage(source, destination, nullptr, type, false, true, true, false)
             : -1;
  SetResponse(result == 0);
}
