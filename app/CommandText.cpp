#include "app/CommandText.h"

#include <stdexcept>

#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "foundation/StringUtil.h"
#include "platform/os/Utf.h"
#include "platform/widechar/Format.h"

CString commandText(const std::string& utf8) {
  CString out;
  try {
    StringUtil::convertStringToWide(utf8, out);
  } catch (const std::runtime_error&) {
    out.Empty();
  }
  return out;
}

std::string commandUtf8(const CString& text) {
  return platform::utf16ToUtf8Lossy(text.Get() ? text.Get() : u"");
}

CString commandMessage(unsigned int id, const CString& argument) {
  CString format;
  CString text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), argument);
  return text;
}

CZorbPlexar* commandEngine() {
  IEngine* engine = CTAMBFrontController::m_manager;
  return engine ? engine->MutablePlexar() : nullptr;
}
