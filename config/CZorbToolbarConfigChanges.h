#pragma once

#include "config/CZorbConfigChanges.h"

// The toolbars' changes. The description may name a toolbar file of the
// extension's own, which may then be created.
class CZorbToolbarConfigChanges : public CZorbConfigChanges {
 public:
  static constexpr char16_t kDefaultFileName[] = u"toolbars.xml";

  CZorbToolbarConfigChanges();
  CZorbToolbarConfigChanges(const CZorbToolbarConfigChanges& other);
  ~CZorbToolbarConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // The start tag carries file when the name is set and is not
  // "toolbars.xml"; the children follow on their own lines.
  void BuildXml(int level, CString& out) const override;
  // A generic XML file; a new one holds the declaration, the document-type
  // line and an empty toolbarset element.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  // True unless the file is the host's own "toolbars.xml" (any case).
  bool AllowNewFile() const override;

  CString m_fileName;
};
