#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// One "token" of the description's file tokens: a name the destinations may
// use, with the prompt that asks the user for it, its default and its
// definition.
class CZorbExtensionToken : public CZorbXmlObject {
 public:
  CZorbExtensionToken();
  CZorbExtensionToken(const CZorbExtensionToken& other);
  CZorbExtensionToken& operator=(const CZorbExtensionToken& other);
  ~CZorbExtensionToken() override;

  CZorbExtensionToken* Clone() const override;
  void GetTag(CString& tag) const override;
  // One element line.
  void BuildXml(int level, CString& out) const override;

  CString m_name;
  CString m_prompt;
  CString m_default;
  CString m_definition;
};
