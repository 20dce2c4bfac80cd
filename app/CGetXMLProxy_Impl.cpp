#include "app/CGetXMLProxy_Impl.h"

#include <string>

#include "app/CRequestIdManager.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"

CGetXMLProxy_Impl* g_XMLParser = nullptr;

bool CGetXMLProxy_Impl::getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) {
  std::lock_guard<std::mutex> call(m_callMutex);
  m_results.clear();
  std::string utf8Text;
  std::string utf8Prefix;
  try {
    StringUtil::convertStringToSingle(text, utf8Text);
    StringUtil::convertStringToSingle(keyPrefix, utf8Prefix);
  } catch (const std::exception& e) {
    Logger::write(Logger::kError, std::string("brioParseXML: ") + e.what(), __FILE__, __LINE__);
    return false;
  }
  std::string id;
  CRequestIdManager::getInstance()->getRequestIdToBrio(id);
  setRequestId(id);
  Logger::write(Logger::kDebug, std::string("Sending XML contents to Brio"), __FILE__, __LINE__);
  if (!CRequestIdManager::getInstance()->SendRequestAndWait(
          this, makeArguments({id, utf8Text, utf8Prefix})))
    return false;
  if (argumentCount() < 2) return false;
  const std::string status = argumentText(1);
  if (status == "1") return true;
  if (status == "2") return false;
  try {
    for (size_t i = 2; i + 1 < argumentCount(); i += 2) {
      CString key;
      CString value;
      StringUtil::convertStringToWide(argumentText(i), key);
      StringUtil::convertStringToWide(argumentText(i + 1), value);
      m_results.SetAt(key, value);
    }
  } catch (const std::exception& e) {
    // Half a map would pass for the file's content.
    m_results.clear();
    Logger::write(Logger::kError, std::string("brioParseXML answer: ") + e.what(), __FILE__,
                  __LINE__);
    return false;
  }
  Logger::write(Logger::kDebug, std::string("XML contents parse completed"), __FILE__, __LINE__);
  return true;
}
