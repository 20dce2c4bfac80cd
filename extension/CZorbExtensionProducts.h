#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The "products" element: the description's product elements
// (CZorbExtensionProduct) as its children, in document order.
class CZorbExtensionProducts : public CZorbXmlObject {
 public:
  CZorbExtensionProducts();
  CZorbExtensionProducts(const CZorbExtensionProducts& other);
  CZorbExtensionProducts& operator=(const CZorbExtensionProducts& other);
  ~CZorbExtensionProducts() override;

  CZorbExtensionProducts* Clone() const override;
  void GetTag(CString& tag) const override;
};
