#include "app/CGetSupportedLocalList.h"

#include <string>

#include "app/CRequestIdManager.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"

void CGetSupportedLocalList::getLocaleListAndStore() {
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  setRequestId(id);
  Logger::write(Logger::kDebug, std::string("Sending Get Locale list request to Brio"), __FILE__,
                __LINE__);
  if (!CRequestIdManager::getInstance()->SendRequestAndWait(this, makeArguments({id}))) return;
  if (argumentCount() != 3 || argumentText(1) == "1") return;
  CZorbOS::setLocaleList(argumentText(2));
  Logger::write(Logger::kDebug, std::string("Get Locale list completed"), __FILE__, __LINE__);
}
