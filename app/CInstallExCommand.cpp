#include "app/CInstallExCommand.h"

#include <memory>
#include <optional>

#include "app/CRemoveExCommand.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"
#include "products/CZorbProduct.h"

namespace {

constexpr size_t kArgumentCount = 4;

CString Utf16(const std::string& text) {
  const std::optional<std::u16string> wide = platform::utf8ToUtf16(text);
  if (!wide) return CString();
  return CString(wide->c_str(), static_cast<uint32_t>(wide->size()));
}

std::string Utf8(const CString& text) {
  return platform::utf16ToUtf8Lossy(text.Get() ? text.Get() : u"");
}

void Log(Logger::Level level, const char* text, int line) {
  Logger::write(level, std::string(text), __FILE__, line);
}

bool SameRequirement(const CZorbExtensionProduct& a, const CZorbExtensionProduct& b) {
  return a.m_name == b.m_name && a.m_version == b.m_version && a.m_maxVersion == b.m_maxVersion &&
         a.m_familyName == b.m_familyName && a.m_platform == b.m_platform;
}

}  // namespace

bool CInstallExCommand::parseArguments() {
  m_productName.Empty();
  m_packagePath.Empty();
  if (argumentCount() != kArgumentCount) {
    Log(Logger::kError, "Install Extensions: arguments not correct", __LINE__);
    return false;
  }
  m_productName = Utf16(argumentText(1));
  m_packagePath = Utf16(argumentText(2));
  m_timeOut = CRemoveExCommand::ReadTimeOut(argumentText(3), "InstallExtension");
  return true;
}

void CInstallExCommand::AppendFailed(std::vector<std::string>& list, const CString& name,
                                     const CString& version, const CString& maxVersion,
                                     int32_t platform, int32_t bit) {
  list.push_back(Utf8(name));
  list.push_back(Utf8(version));
  list.push_back(Utf8(maxVersion));
  list.push_back(std::to_string(platform));
  list.push_back(std::to_string(bit));
}

void CInstallExCommand::execute() {
  g_exitCode = 0;
  auto fail = [this] {
    Log(Logger::kError, "Install extension failed, return null extension", __LINE__);
    sendReply({"2"});
  };
  IEngine* manager = CTAMBFrontController::m_manager;
  CZorbPlexar* engine = manager != nullptr ? manager->GetMutablePlexar() : nullptr;
  if (engine == nullptr) return fail();
  // The folders this person chooses during the install are the only ones
  // destinations may lead into besides the products' own.
  engine->ClearChosenFolders();

  CZorbProduct* matched = CRemoveExCommand::MatchProduct(*engine, m_productName);
  CZorbProduct* slot = matched;
  CString path;
  if (!CZorbOS::convertPath(std::u16string(m_packagePath.Get() ? m_packagePath.Get() : u"",
                                           static_cast<size_t>(m_packagePath.GetLength())),
                            path, true)) {
    Log(Logger::kError, "Install extension,  convert extension path failed", __LINE__);
    sendReply({"2"});
    return;
  }

  CZorbExtension* replaced = nullptr;
  int restart = 0;
  bool askLicence = true;
  bool accepted = true;
  bool mayRetry = true;
  CString chosenName;
  const CString hostName;
  CZorbExtensionProduct record;
  CZorbExtension* cloned = nullptr;
  const bool fresh = true;
  CZorbExtension* installed = engine->InstallExtension(
      &slot, path, &replaced, false, fresh, true, restart, false, false, true, askLicence,
      m_timeOut, nullptr, &cloned, nullptr, &record, &accepted, &chosenName, &hostName, &mayRetry);
  // The description copy is the command's on every path.
  const std::unique_ptr<CZorbExtension> clone(cloned);
  std::vector<std::string> failed;

  auto attempt = [&](const CZorbExtensionProduct& element, const CString& host) {
    return engine->InstallExtension(&slot, path, &replaced, false, fresh, true, restart, false,
                                    false, true, askLicence, m_timeOut, nullptr, nullptr, &element,
                                    &record, &accepted, &chosenName, &host, nullptr);
  };
  if (!installed && mayRetry && clone &&
      (record.m_name.GetLength() || record.m_familyName.GetLength())) {
    if (record.m_name.GetLength())
      AppendFailed(failed, record.m_name, record.m_version, record.m_maxVersion, record.m_platform,
                   record.m_bit);
    for (CZorbXmlObject* child : clone->m_products.m_children) {
      const auto* element = dynamic_cast<const CZorbExtensionProduct*>(child);
      if (!element || !element->m_primary) continue;
      if (element->m_name.GetLength()) {
        if (SameRequirement(*element, record)) continue;
        installed = attempt(*element, CString());
        if (!installed)
          AppendFailed(failed, element->m_name, element->m_version, element->m_maxVersion,
                       element->m_platform, element->m_bit);
      } else {
        // A family: each of its hosts in turn, last registered first.
        const CZorbTypedVector<CZorbProduct*> products = engine->m_products;
        bool walked = true;
        for (auto it = products.rbegin(); it != products.rend() && !installed; ++it) {
          CZorbProduct* product = *it;
          if (!product) continue;
          CString family, name, group;
          product->GetProductFamily(family);
          product->GetName(name);
          product->GetGroupName(group);
          if (name == chosenName) {
            AppendFailed(failed, family, element->m_version, element->m_maxVersion,
                         element->m_platform, element->m_bit);
            continue;
          }
          if (!family.GetLength() && !group.GetLength()) continue;
          installed = attempt(*element, name);
          if (installed || !accepted) {
            walked = false;
            break;
          }
          chosenName = name;
          AppendFailed(failed, family, element->m_version, element->m_maxVersion,
                       element->m_platform, element->m_bit);
        }
        if (!installed && walked) chosenName.Empty();
      }
      if (installed || !accepted) break;
    }
  }
  if (!installed) return fail();

  CString productName;
  if (slot && slot != matched)
    slot->GetName(productName);
  else if (matched)
    matched->GetName(productName);
  else
    productName = m_productName;
  std::vector<std::string> reply = {"0", Utf8(productName),
                                    Utf8(CZorbPath(installed->m_path).GetFileName())};
  reply.insert(reply.end(), failed.begin(), failed.end());
  sendReply(reply);
}
