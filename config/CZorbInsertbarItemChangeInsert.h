#pragma once

#include <cstdint>

#include "config/CZorbInsertbarChange.h"

// "insertbar-item-insert": its children are insert-bar items. They go
// before or after the item named by the id (kinds 1, 2), or to the front or
// the end of the category or menubutton named by the id (kinds 3, 4); when
// that place is missing, to the end of the category m_categoryId, else of
// "LW_Insertbar_Common" (made when needed; result 8). An item whose id the
// file already has is overwritten where it stands.
class CZorbInsertbarItemChangeInsert : public CZorbInsertbarChange {
 public:
  // Reads a product's install folder (a colon path); false when there is
  // none. The product class lives above this library, which therefore
  // cannot call it: the product library installs the reader.
  using InstallFolderReader = bool (*)(const CZorbProduct* product, CString& folder);
  static void SetInstallFolderReader(InstallFolderReader reader);

  CZorbInsertbarItemChangeInsert();
  ~CZorbInsertbarItemChangeInsert() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // 0 or 8; 32 without a file or "insertbar".
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the first item with each item's id (emptied categories go).
  // Always 0.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // After items went to "LW_Insertbar_Common" (8), makes the host's folder
  // "Configuration:Objects:Common" below its install folder through a
  // create-folder step appended to steps; 32 when that fails.
  ErrorCode PostMakeChange(ErrorCode code, const CZorbProduct* product,
                           CZorbTypedVector<CZorbExtensionInstallStep*>* steps) override;

  // 0 none, then CZorbConfigChange::Position.
  int32_t m_position = 0;
  CString m_categoryId;
};
