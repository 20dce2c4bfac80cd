#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The "file-tokens" element: the description's tokens (CZorbExtensionToken)
// as its children, in document order.
class CZorbExtensionTokens : public CZorbXmlObject {
 public:
  CZorbExtensionTokens();
  CZorbExtensionTokens(const CZorbExtensionTokens& other);
  CZorbExtensionTokens& operator=(const CZorbExtensionTokens& other);
  ~CZorbExtensionTokens() override;

  CZorbExtensionTokens* Clone() const override;
  void GetTag(CString& tag) const override;
};
