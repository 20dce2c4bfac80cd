#pragma once

#include <cstdint>

#include "config/CZorbToolbarChange.h"

// "toolbar-item-insert": its children are toolbar items. They go before or
// after the item named by the id (kinds 1, 2), or to the front or the end
// of the toolbar named by the id (kinds 3, 4); when that place is missing,
// to the end of the toolbar m_toolbarId, else of "Miscellaneous_Toolbar"
// (made when needed; result 7). An item whose id the file already has is
// overwritten where it stands.
class CZorbToolbarItemChangeInsert : public CZorbToolbarChange {
 public:
  CZorbToolbarItemChangeInsert();
  ~CZorbToolbarItemChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 or 7; 31 without a file or "toolbarset".
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the first item with each item's id. Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;

  // 0 none, then CZorbConfigChange::Position.
  int32_t m_position = 0;
  CString m_toolbarId;
};
