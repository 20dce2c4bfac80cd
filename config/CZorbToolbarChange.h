#pragma once

#include "config/CZorbConfigChange.h"
#include "foundation/CString.h"

// A change to a host's toolbars file: root "toolbarset" holding "toolbar"
// elements whose children are the items; each known by its "id".
class CZorbToolbarChange : public CZorbConfigChange {
 public:
  // The toolbar that collects items whose place is not found.
  static const char16_t* const kMiscellaneousToolbarId;

  CZorbToolbarChange();
  ~CZorbToolbarChange() override;

  CString m_id;

  // Look-ups in a toolbars file.
  static CZorbXmlObject* FindToolbarSet(CZorbXmlFile* file);
  static CZorbXmlObject* FindToolbar(const CZorbXmlObject* toolbarset, const CString& id);
  // The first item with the id in any toolbar; its toolbar goes to *toolbar
  // when toolbar is not null.
  static CZorbXmlObject* FindItem(const CZorbXmlObject* toolbarset, const CString& id,
                                  CZorbXmlObject** toolbar);
  static CZorbXmlObject* FindItemAnywhere(const CZorbXmlObject* toolbarset, const CString& id);
  // Removes the first item with the id: the one in toolbar when that holds
  // one, else the first in any toolbar. Its toolbar stays, even when empty.
  static bool RemoveItem(CZorbXmlObject* toolbarset, const CString& id,
                         CZorbXmlObject* toolbar = nullptr);

 protected:
  // ` id="…"` and the locale, as the remove changes write them.
  CString RemoveAttributes() const;
};
