#include "config/CZorbInsertbarChangeInsert.h"

#include <algorithm>
#include <vector>

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"

CZorbInsertbarChangeInsert::CZorbInsertbarChangeInsert() {
  m_tag = u"insertbar-insert";
}

CZorbInsertbarChangeInsert::~CZorbInsertbarChangeInsert() = default;

CZorbXmlObject* CZorbInsertbarChangeInsert::Clone() const {
  return new CZorbInsertbarChangeInsert(*this);
}

void CZorbInsertbarChangeInsert::GetTag(CString& tag) const {
  tag = u"insertbar-insert";
}

void CZorbInsertbarChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  if (m_position == kInsertBefore)
    cfgxml::AppendAttributeAlways(attributes, u"insertBefore", m_id);
  else if (m_position == kInsertAfter)
    cfgxml::AppendAttributeAlways(attributes, u"insertAfter", m_id);
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbInsertbarChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                    CZorbXmlFile* file,
                                                                    const CZorbXmlFile*) const {
  CZorbXmlObject* insertbar = FindInsertbar(file);
  if (!insertbar) return kInsertbarChangeFailed;
  hostnode::Forget(*this);

  const bool relative = m_position == kInsertBefore || m_position == kInsertAfter;
  CZorbXmlObject* reference = relative ? FindCategory(insertbar, m_id) : nullptr;

  // After the reference each category goes right behind it, so they are
  // taken last first to keep their order; without it they go to the end in
  // their own order.
  std::vector<const CZorbXmlObject*> categories(m_children.begin(), m_children.end());
  if (reference && m_position == kInsertAfter) std::reverse(categories.begin(), categories.end());

  ErrorCode result = kInsertbarChangeFailed;
  bool first = true;
  for (const CZorbXmlObject* category : categories) {
    if (!cfgxml::HasTag(category, u"category")) break;
    if (first) result = kNoError;
    first = false;

    if (CZorbXmlObject* existing = FindCategory(insertbar, cfgtree::IdOf(category))) {
      for (const CZorbXmlObject* item : category->m_children) {
        const CString id = cfgtree::IdOf(item);
        if (id.GetLength() == 0) continue;
        CZorbXmlObject* placed = FindItemIn(existing, id, nullptr);
        if (placed) {
          cfgtree::OverwriteRemembered(*this, placed, *item);
        } else {
          placed = item->Clone();
          existing->m_children.push_back(placed);
        }
        AdoptLabel(placed, *item);
      }
      continue;
    }

    CZorbXmlObject* copy = category->Clone();
    for (CZorbXmlObject* child : copy->m_children)
      if (child) AdoptLabel(child, *child);
    if (reference && m_position == kInsertBefore)
      insertbar->InsertObjectBefore(copy, reference);
    else if (reference)
      insertbar->InsertObjectAfter(copy, reference);
    else
      insertbar->m_children.push_back(copy);
  }
  return result;
}

CZorbConfigChange::ErrorCode CZorbInsertbarChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                    CZorbXmlFile* file,
                                                                    const CZorbXmlFile*) const {
  CZorbXmlObject* insertbar = FindInsertbar(file);
  if (!insertbar) return kNoError;
  for (const CZorbXmlObject* category : m_children) {
    const CString categoryId = cfgtree::IdOf(category);
    if (!cfgxml::HasTag(category, u"category") || categoryId.GetLength() == 0) continue;
    // The category's own item goes, not one of the host's elsewhere that
    // carries the same id. The category is looked up for each item, as a
    // removal may take it away.
    for (const CZorbXmlObject* item : category->m_children)
      if (!cfgtree::RestoreItem(*this, *item, insertbar, &FindItemAnywhere))
        RemoveItem(insertbar, cfgtree::IdOf(item), FindCategory(insertbar, categoryId));
  }
  return kNoError;
}
