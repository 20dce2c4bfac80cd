#include "app/GetLastVersionProductsCommand.h"

#include <string>

#include "app/CGetProductsCommand.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbVersionNumber.h"
#include "products/CZorbProduct.h"

std::vector<std::string> GetLastVersionProductsCommand::BuildReply(const CZorbPlexar& engine) {
  std::vector<std::string> reply = {"0"};
  const auto& products = engine.m_products;
  for (auto it = products.rbegin(); it != products.rend(); ++it) {
    const CZorbProduct* product = *it;
    if (!product) continue;
    CString name;
    product->GetName(name);
    CString error;
    CString family;
    product->GetProductFamily(family);
    if (name.CompareNoCase(u"WB4ServiceManager") == 0 || product->GetErrorString(error) ||
        !product->IsSupportedInLastSuite() || product->m_pxStorePath.GetLength() == 0 ||
        family.CompareNoCase(u"Plexar") == 0)
      continue;
    CZorbVersionNumber version;
    product->GetVersion(version);
    CString store;
    // The store's text goes as far as it was converted.
    (void)CZorbOS::convertPath(product->m_pxStorePath, store);
    CGetProductsCommand::pushParameters(reply, name);
    CGetProductsCommand::pushParameters(reply, family);
    CGetProductsCommand::pushParameters(reply, CString(version));
    CGetProductsCommand::pushParameters(reply, store);
  }
  return reply;
}

void GetLastVersionProductsCommand::SetResponse(bool /*done*/) {
  IEngine* engine = CTAMBFrontController::m_manager;
  const CZorbPlexar* plexar = engine ? engine->GetPlexar() : nullptr;
  sendReply(plexar ? BuildReply(*plexar) : std::vector<std::string>{"0"});
}
