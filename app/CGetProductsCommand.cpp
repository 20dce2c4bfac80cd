#include "app/CGetProductsCommand.h"

#include <string>

#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"
#include "products/CZorbProduct.h"

namespace {

constexpr unsigned int kMsgProductsTitle = 2016;
constexpr unsigned int kMsgMoreProducts = 2017;
constexpr unsigned int kMsgFolderNotConverted = 4233;

CString withProduct(unsigned int id, const CString& bazaarName) {
  CString text;
  (void)text.LoadString(id);  // a missing text stays empty
  text.Replace(u"[product]", bazaarName.Get());
  return text;
}

CString formatted(unsigned int id, const CString& folder, const CString& product) {
  CString format;
  CString text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), folder, product);
  return text;
}

const char* flag(bool value) {
  return value ? "1" : "0";
}

}  // namespace

void CGetProductsCommand::pushParameters(std::vector<std::string>& reply, const CString& text) {
  const std::string utf8 = platform::utf16ToUtf8Lossy(text.Get());
  Logger::write(Logger::kDebug, "GetProductName Command: parameter" + utf8, __FILE__, __LINE__);
  reply.push_back(utf8);
}

std::vector<std::string> CGetProductsCommand::BuildReply(const CZorbPlexar& engine) {
  std::vector<std::string> reply = {"0"};
  const auto& products = engine.m_products;
  for (auto it = products.rbegin(); it != products.rend(); ++it) {
    const CZorbProduct* product = *it;
    if (!product) continue;
    CString name;
    product->GetName(name);
    if (name.CompareNoCase(u"WB4ServiceManager") == 0) continue;
    CString error;
    if (product->GetErrorString(error)) {
      reply.push_back("1");
      pushParameters(reply, error);
      continue;
    }
    CString family;
    product->GetProductFamily(family);
    if (!product->IsInstalled() || !product->IsSupported() || family.CompareNoCase(u"Plexar") == 0)
      continue;

    CString folder;
    product->GetInstallFolder(folder);
    CString posixFolder;
    CString posixStore;
    bool converted = CZorbOS::convertPath(folder, posixFolder);
    const CString store = product->m_pxStorePath;
    CString failed = folder;
    if (converted && store.GetLength()) {
      converted = CZorbOS::convertPath(store, posixStore);
      failed = store;
    }
    if (!converted) {
      reply.push_back("1");
      pushParameters(reply, formatted(kMsgFolderNotConverted, failed, name));
      Logger::write(Logger::kFatal, std::string("convert path from Macintosh to Posix failed"),
                    __FILE__, __LINE__);
      continue;
    }

    CZorbVersionNumber version;
    product->GetVersion(version);
    CString bazaar;
    product->GetBazaarName(bazaar);
    CString icon;
    product->GetProductIconPath(icon);
    CString group;
    product->GetGroupName(group);
    reply.push_back("0");
    pushParameters(reply, name);
    pushParameters(reply, family);
    pushParameters(reply, CString(version));
    pushParameters(reply, posixFolder);
    pushParameters(reply, withProduct(kMsgProductsTitle, bazaar));
    pushParameters(reply, icon);
    pushParameters(reply, withProduct(kMsgMoreProducts, bazaar));
    pushParameters(reply, group);
    pushParameters(reply, posixStore);
    reply.push_back(flag(product->m_showInstalledFiles));
    reply.push_back(flag(product->m_supportsLockableExtension));
    pushParameters(reply, product->m_hostNameForWBXS);
    pushParameters(reply, product->m_pluginConfigFile);
    pushParameters(reply, product->m_globalProductName);
    reply.push_back(std::to_string(product->m_productBit));
  }
  return reply;
}

void CGetProductsCommand::execute() {
  IEngine* engine = CTAMBFrontController::m_manager;
  const CZorbPlexar* plexar = engine ? engine->GetPlexar() : nullptr;
  sendReply(plexar ? BuildReply(*plexar) : std::vector<std::string>{"0"});
}
