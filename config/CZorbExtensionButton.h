#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// A "button" of a description's toolbar or insert-bar changes: a generic
// element plus its label's resource id and the label text that the
// description's resource table gave it.
class CZorbExtensionButton : public CZorbXmlObject {
 public:
  CZorbExtensionButton();  // tag "button"
  // Attributes, text and a clone of every child, then both labels.
  CZorbExtensionButton(const CZorbExtensionButton& other);
  CZorbExtensionButton& operator=(const CZorbExtensionButton& other);
  ~CZorbExtensionButton() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // The generic element, with resid:label="<id>" put right after "<button"
  // when the label resource id is not empty.
  void BuildXml(int level, CString& out) const override;

  CString m_labelResId;
  CString m_labelText;
};
