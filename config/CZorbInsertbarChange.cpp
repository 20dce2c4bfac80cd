#include "config/CZorbInsertbarChange.h"

#include "config/CZorbExtensionButton.h"
#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "foundation/CZorbXmlFile.h"

const char16_t* const CZorbInsertbarChange::kCommonCategoryId = u"LW_Insertbar_Common";
const char16_t* const CZorbInsertbarChange::kFavoritesCategoryId = u"LW_Insertbar_Favorites";

CZorbInsertbarChange::CZorbInsertbarChange() = default;

CZorbInsertbarChange::~CZorbInsertbarChange() = default;

CZorbXmlObject* CZorbInsertbarChange::FindInsertbar(CZorbXmlFile* file) {
  return cfgtree::FindRoot(file, u"insertbar");
}

CZorbXmlObject* CZorbInsertbarChange::FindCategory(const CZorbXmlObject* insertbar,
                                                   const CString& id) {
  return cfgtree::FindChild(insertbar, u"category", id);
}

CZorbXmlObject* CZorbInsertbarChange::FindItemIn(const CZorbXmlObject* container, const CString& id,
                                                 CZorbXmlObject** parent) {
  if (parent) *parent = nullptr;
  if (!container || id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* child : container->m_children) {
    if (!child) continue;
    if (cfgxml::SameId(cfgtree::IdOf(child), id)) {
      if (parent) *parent = const_cast<CZorbXmlObject*>(container);
      return child;
    }
    if (cfgxml::HasTag(child, u"menubutton")) {
      if (CZorbXmlObject* found = FindItemIn(child, id, parent)) return found;
    }
  }
  return nullptr;
}

CZorbXmlObject* CZorbInsertbarChange::FindItem(const CZorbXmlObject* insertbar, const CString& id,
                                               CZorbXmlObject** parent) {
  if (parent) *parent = nullptr;
  if (!insertbar || id.GetLength() == 0) return nullptr;
  for (CZorbXmlObject* category : insertbar->m_children) {
    if (!cfgxml::HasTag(category, u"category")) continue;
    if (CZorbXmlObject* found = FindItemIn(category, id, parent)) return found;
  }
  return nullptr;
}

CZorbXmlObject* CZorbInsertbarChange::FindItemAnywhere(const CZorbXmlObject* insertbar,
                                                       const CString& id) {
  return FindItem(insertbar, id, nullptr);
}

bool CZorbInsertbarChange::RemoveItem(CZorbXmlObject* insertbar, const CString& id,
                                      const CZorbXmlObject* category) {
  CZorbXmlObject* parent = nullptr;
  CZorbXmlObject* item = category ? FindItemIn(category, id, &parent) : nullptr;
  if (!item) item = FindItem(insertbar, id, &parent);
  if (!item || !cfgtree::Unlink(parent, item)) return false;
  const CString parentId = cfgtree::IdOf(parent);
  if (parent->m_children.empty() && parentId.CompareNoCase(kFavoritesCategoryId) != 0) {
    if (CZorbXmlObject* emptied = FindCategory(insertbar, parentId))
      cfgtree::Remove(insertbar, emptied);
  }
  delete item;
  return true;
}

void CZorbInsertbarChange::AdoptLabel(CZorbXmlObject* placed, const CZorbXmlObject& item) {
  if (auto* button = dynamic_cast<const CZorbExtensionButton*>(&item)) {
    if (button->m_labelText.GetLength() > 0) placed->SetAttribute(u"label", button->m_labelText);
  }
  if (auto* button = dynamic_cast<CZorbExtensionButton*>(placed)) button->m_labelResId.Empty();
}

CString CZorbInsertbarChange::RemoveAttributes() const {
  return cfgxml::IdAttributes(m_id, m_locale);
}
