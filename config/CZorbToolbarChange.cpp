#include "config/CZorbToolbarChange.h"

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "foundation/CZorbXmlFile.h"

const char16_t* const CZorbToolbarChange::kMiscellaneousToolbarId = u"Miscellaneous_Toolbar";

CZorbToolbarChange::CZorbToolbarChange() = default;

CZorbToolbarChange::~CZorbToolbarChange() = default;

CZorbXmlObject* CZorbToolbarChange::FindToolbarSet(CZorbXmlFile* file) {
  return cfgtree::FindRoot(file, u"toolbarset");
}

CZorbXmlObject* CZorbToolbarChange::FindToolbar(const CZorbXmlObject* toolbarset,
                                                const CString& id) {
  return cfgtree::FindChild(toolbarset, u"toolbar", id);
}

CZorbXmlObject* CZorbToolbarChange::FindItem(const CZorbXmlObject* toolbarset, const CString& id,
                                             CZorbXmlObject** toolbar) {
  if (toolbar) *toolbar = nullptr;
  if (!toolbarset || id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* candidate : toolbarset->m_children) {
    if (!cfgxml::HasTag(candidate, u"toolbar")) continue;
    if (CZorbXmlObject* item = cfgtree::FindChild(candidate, nullptr, id)) {
      if (toolbar) *toolbar = candidate;
      return item;
    }
  }
  return nullptr;
}

CZorbXmlObject* CZorbToolbarChange::FindItemAnywhere(const CZorbXmlObject* toolbarset,
                                                     const CString& id) {
  return FindItem(toolbarset, id, nullptr);
}

bool CZorbToolbarChange::RemoveItem(CZorbXmlObject* toolbarset, const CString& id,
                                    CZorbXmlObject* toolbar) {
  CZorbXmlObject* item = toolbar ? cfgtree::FindChild(toolbar, nullptr, id) : nullptr;
  if (!item) item = FindItem(toolbarset, id, &toolbar);
  if (!item) return false;
  cfgtree::Remove(toolbar, item);
  return true;
}

CString CZorbToolbarChange::RemoveAttributes() const {
  return cfgxml::IdAttributes(m_id, m_locale);
}
