#pragma once

#include "config/CZorbExtensionMenu.h"

// A tool section of a menus file; its children are actions.
class CZorbExtensionTool : public CZorbExtensionMenu {
 public:
  CZorbExtensionTool();  // tag "tool"
  // The source's attributes and tag (never its children); a null source
  // gives a default tool.
  explicit CZorbExtensionTool(const CZorbExtensionTool* source);
  ~CZorbExtensionTool() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // Written like a menubar: an empty line first.
  void BuildXml(int level, CString& out) const override;
  // The shared attributes and name.
  void AppendAttributes(CString& out) const override;
  virtual void SetTag(const char16_t* tag);

  // The shared attributes and name; a tool merges as a menu does.
  static const cfgnode::Table& AttributeTable();
};
