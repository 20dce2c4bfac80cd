#include "app/CRemoveExCommand.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"
#include "products/CZorbProduct.h"

namespace {

constexpr int32_t kDefaultTimeOut = 30;
constexpr size_t kArgumentCount = 6;

CString Utf16(const std::string& text) {
  const std::optional<std::u16string> wide = platform::utf8ToUtf16(text);
  if (!wide) return CString();
  return CString(wide->c_str(), static_cast<uint32_t>(wide->size()));
}

void Log(Logger::Level level, const char* text, int line) {
  Logger::write(level, std::string(text), __FILE__, line);
}

}  // namespace

bool CRemoveExCommand::parseArguments() {
  m_productName.Empty();
  m_secondText.Empty();
  m_descriptionFileName.Empty();
  m_version.Empty();
  if (argumentCount() != kArgumentCount) {
    Log(Logger::kError, "Remove Extensions: arguments not correct", __LINE__);
    return false;
  }
  m_productName = Utf16(argumentText(1));
  m_secondText = Utf16(argumentText(2));
  m_descriptionFileName = Utf16(argumentText(3));
  m_version = Utf16(argumentText(4));
  m_timeOut = ReadTimeOut(argumentText(5), "RemoveExtension");
  return true;
}

int32_t CRemoveExCommand::ReadTimeOut(const std::string& text, const char* operation) {
  errno = 0;
  long value = std::strtol(text.c_str(), nullptr, 10);
  // Out of range counts as no value, as letters do.
  if (errno == ERANGE || value > INT32_MAX || value < INT32_MIN) value = 0;
  if (value != 0) return static_cast<int32_t>(value);
  Logger::write(Logger::kDebug,
                std::string(operation) + ": receive unknown timeout value. value=" + text,
                __FILE__, __LINE__);
  return kDefaultTimeOut;
}

void CRemoveExCommand::SetResponse(Result result) const {
  sendReply({std::to_string(static_cast<int>(result))});
}

CZorbProduct* CRemoveExCommand::MatchProduct(CZorbPlexar& engine) const {
  return MatchProduct(engine, m_productName);
}

CZorbProduct* CRemoveExCommand::MatchProduct(CZorbPlexar& engine, const CString& wanted) {
  for (auto it = engine.m_products.rbegin(); it != engine.m_products.rend(); ++it) {
    CZorbProduct* product = *it;
    if (product == nullptr || !product->IsInstalled() || !product->IsSupported()) continue;
    CString name;
    product->GetName(name);
    if (name.CompareNoCase(u"Emberly 4") == 0 || name.CompareNoCase(u"Emberly 3") == 0) continue;
    if (name.Compare(wanted) == 0) return product;
  }
  return nullptr;
}

void CRemoveExCommand::Run(const Words& words, const Operation& operation) {
  IEngine* manager = CTAMBFrontController::m_manager;
  CZorbPlexar* engine = manager != nullptr ? manager->GetMutablePlexar() : nullptr;
  if (engine == nullptr) {
    Log(Logger::kError, words.failed, __LINE__);
    SetResponse(kFailed);
    return;
  }
  CZorbProduct* product = MatchProduct(*engine);
  const CZorbVersionNumber version(m_version.Get());
  if (product == nullptr) {
    Log(Logger::kError, words.productNotFound, __LINE__);
    SetResponse(kNotFound);
    return;
  }
  CZorbExtension* extension =
      engine->GetExtensionByName(product, CZorbPath(m_descriptionFileName), version);
  if (extension == nullptr) {
    engine->AlertExtensionNotExited(m_descriptionFileName);
    Log(Logger::kError, words.extensionNotFound, __LINE__);
    SetResponse(kNotFound);
    return;
  }
  if (operation(*engine, product, extension) != 0) {
    Log(words.failedIsError ? Logger::kError : Logger::kDebug, words.failed, __LINE__);
    // The failure needs its own code: the product and extension were found.
    SetResponse(kFailed);
    return;
  }
  SetResponse(kDone);
}

void CRemoveExCommand::execute() {
  static const Words words = {
      "Remove Extensions: Can not find the product based on the product name",
      "Remove Extensions: Can not find the extension", "Remove extension failed", false};
  Run(words, [this](CZorbPlexar& engine, CZorbProduct* product, CZorbExtension* extension) {
    int restart = 0;
    const int result = engine.UninstallExtension(product, extension, true, false, true, true, true,
                                                 restart, true, m_timeOut, true, false);
    if (result == 0) Log(Logger::kDebug, "Remove extension successful", __LINE__);
    return result;
  });
}
