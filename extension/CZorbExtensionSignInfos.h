#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// The "signatures" element: the signature results (CZorbExtensionSignInfo)
// as its children, in the order they were found.
class CZorbExtensionSignInfos : public CZorbXmlObject {
 public:
  CZorbExtensionSignInfos();
  CZorbExtensionSignInfos(const CZorbExtensionSignInfos& other);
  CZorbExtensionSignInfos& operator=(const CZorbExtensionSignInfos& other);
  ~CZorbExtensionSignInfos() override;

  CZorbExtensionSignInfos* Clone() const override;
  void GetTag(CString& tag) const override;
};
