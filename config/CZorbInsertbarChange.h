#pragma once

#include "config/CZorbConfigChange.h"
#include "foundation/CString.h"

// A change to a host's insert-bar file: root "insertbar" holding
// "category" elements whose children are items; a "menubutton" item holds
// further items. Each is known by its "id".
class CZorbInsertbarChange : public CZorbConfigChange {
 public:
  // The category that collects items whose place is not found.
  static const char16_t* const kCommonCategoryId;
  // The one category that stays when its last item goes.
  static const char16_t* const kFavoritesCategoryId;

  CZorbInsertbarChange();
  ~CZorbInsertbarChange() override;

  CString m_id;

  // Look-ups in an insert-bar file.
  static CZorbXmlObject* FindInsertbar(CZorbXmlFile* file);
  static CZorbXmlObject* FindCategory(const CZorbXmlObject* insertbar, const CString& id);
  // The first item with the id among container's children, searching each
  // "menubutton" depth first; *parent is the node that holds it.
  static CZorbXmlObject* FindItemIn(const CZorbXmlObject* container, const CString& id,
                                    CZorbXmlObject** parent);
  // The same over every category in order.
  static CZorbXmlObject* FindItem(const CZorbXmlObject* insertbar, const CString& id,
                                  CZorbXmlObject** parent);
  static CZorbXmlObject* FindItemAnywhere(const CZorbXmlObject* insertbar, const CString& id);
  // Removes and deletes the first item with the id: the one in category
  // when that holds one, else the first in any category. A holder left
  // empty takes the category with its id along, unless that is the
  // favourites.
  static bool RemoveItem(CZorbXmlObject* insertbar, const CString& id,
                         const CZorbXmlObject* category = nullptr);
  // A copy of a description's button put into the file: the label text
  // becomes its "label" and the resource id goes.
  static void AdoptLabel(CZorbXmlObject* placed, const CZorbXmlObject& item);

 protected:
  // ` id="…"` and the locale, as the remove changes write them.
  CString RemoveAttributes() const;
};
