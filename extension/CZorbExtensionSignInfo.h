#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// One "signature" element: what the signature check found for one item of
// the package.
class CZorbExtensionSignInfo : public CZorbXmlObject {
 public:
  CZorbExtensionSignInfo();
  CZorbExtensionSignInfo(const CZorbExtensionSignInfo& other);
  CZorbExtensionSignInfo& operator=(const CZorbExtensionSignInfo& other);
  ~CZorbExtensionSignInfo() override;

  CZorbExtensionSignInfo* Clone() const override;
  void GetTag(CString& tag) const override;
  // One element line.
  void BuildXml(int level, CString& out) const override;

  CString m_name;
  CString m_extensionType;
  bool m_signed = false;
  CString m_certificateType;
  CString m_publisher;
};
