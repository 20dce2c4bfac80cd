#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// One "product" element: a host product (and versions) the extension
// supports. Codes are those of extension/ExtensionXml.h.
class CZorbExtensionProduct : public CZorbXmlObject {
 public:
  CZorbExtensionProduct();
  CZorbExtensionProduct(const CZorbExtensionProduct& other);
  CZorbExtensionProduct& operator=(const CZorbExtensionProduct& other);
  ~CZorbExtensionProduct() override;

  CZorbExtensionProduct* Clone() const override;
  void GetTag(CString& tag) const override;
  // One element line.
  void BuildXml(int level, CString& out) const override;

  CString m_name;
  CString m_version;
  CString m_maxVersion;
  CString m_familyName;
  bool m_primary = false;
  bool m_required = false;
  bool m_minVersionOpen = false;
  bool m_maxVersionOpen = false;
  int32_t m_platform = 0;
  int32_t m_bit = 0;
};
