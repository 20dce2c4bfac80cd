#pragma once

#include "config/CZorbExtensionShortcut.h"

// An action of a tool section: "activate", "action" or "override", with
// the attributes of a shortcut.
class CZorbExtensionAction : public CZorbExtensionShortcut {
 public:
  explicit CZorbExtensionAction(const char16_t* tag = u"action");
  // The source's attributes and tag; a null source gives a default action.
  explicit CZorbExtensionAction(const CZorbExtensionAction* source);
  ~CZorbExtensionAction() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  virtual void SetTag(const char16_t* tag);
};
