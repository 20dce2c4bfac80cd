#pragma once

#include "config/CZorbConfigChanges.h"

// The changes of the host's menus file ("Menus.xml"). A menu insert whose
// target is missing everywhere goes to the last resort: the menu
// "LWMenu_Commands_Misc" below the commands menu, made when needed.
class CZorbMasterConfigChanges : public CZorbConfigChanges {
 public:
  // Ids of the string table for the names of the menus the last resort
  // makes.
  static constexpr unsigned int kCommandsMenuNameId = 4140;
  static constexpr unsigned int kMiscMenuNameId = 4141;

  CZorbMasterConfigChanges();
  CZorbMasterConfigChanges(const CZorbMasterConfigChanges& other);
  ~CZorbMasterConfigChanges() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // A CZorbMenusXmlFile.
  CZorbXmlFile* CreateConfigFile(bool exists) const override;
  void GetFolder(CString& folder) const override;
  void GetFileName(CString& name) const override;
  bool UseReferenceFile() const override;
  // "LWMenu_Commands".
  void GetLastResortAppendToID(CString& id) const override;
  // "LWMenu_Commands_Misc".
  bool GetLastResortId(CString& id) const override;
  // In a menus file: makes the miscellaneous menu in the commands menu,
  // right after its "Get More Commands" item behind a new separator, or at
  // its end; a missing commands menu is first made before the Help menu.
  // Returns the new menu, or null when the file is not a menus file or has
  // neither a commands menu nor a Help menu.
  CZorbXmlObject* CreateLastResortObject(CZorbXmlFile* file) const override;
};
