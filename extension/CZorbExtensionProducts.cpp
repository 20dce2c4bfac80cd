#include "extension/CZorbExtensionProducts.h"

CZorbExtensionProducts::CZorbExtensionProducts() : CZorbXmlObject(u"products") {}

CZorbExtensionProducts::CZorbExtensionProducts(const CZorbExtensionProducts& other) = default;

CZorbExtensionProducts& CZorbExtensionProducts::operator=(const CZorbExtensionProducts& other) =
    default;

CZorbExtensionProducts::~CZorbExtensionProducts() = default;

CZorbExtensionProducts* CZorbExtensionProducts::Clone() const {
  return new CZorbExtensionProducts(*this);
}

void CZorbExtensionProducts::GetTag(CString& tag) const {
  tag = u"products";
}
