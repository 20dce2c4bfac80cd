#include "config/CZorbToolbarChangeInsert.h"

#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"

CZorbToolbarChangeInsert::CZorbToolbarChangeInsert() {
  m_tag = u"toolbar-insert";
}

CZorbToolbarChangeInsert::~CZorbToolbarChangeInsert() = default;

CZorbXmlObject* CZorbToolbarChangeInsert::Clone() const {
  return new CZorbToolbarChangeInsert(*this);
}

void CZorbToolbarChangeInsert::GetTag(CString& tag) const {
  tag = u"toolbar-insert";
}

void CZorbToolbarChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbToolbarChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                  CZorbXmlFile* file,
                                                                  const CZorbXmlFile*) const {
  CZorbXmlObject* toolbarset = FindToolbarSet(file);
  if (!toolbarset) return kToolbarChangeFailed;
  hostnode::Forget(*this);
  bool handled = false;
  for (const CZorbXmlObject* toolbar : m_children) {
    if (!cfgxml::HasTag(toolbar, u"toolbar")) continue;
    handled = true;
    CZorbXmlObject* existing = FindToolbar(toolbarset, cfgtree::IdOf(toolbar));
    if (!existing) {
      toolbarset->m_children.push_back(toolbar->Clone());
      continue;
    }
    for (const CZorbXmlObject* item : toolbar->m_children) {
      const CString id = cfgtree::IdOf(item);
      if (id.GetLength() == 0) continue;
      if (CZorbXmlObject* old = cfgtree::FindChild(existing, nullptr, id))
        cfgtree::OverwriteRemembered(*this, old, *item);
      else
        existing->m_children.push_back(item->Clone());
    }
  }
  return handled ? kNoError : kToolbarChangeFailed;
}

CZorbConfigChange::ErrorCode CZorbToolbarChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                  CZorbXmlFile* file,
                                                                  const CZorbXmlFile*) const {
  CZorbXmlObject* toolbarset = FindToolbarSet(file);
  if (!toolbarset) return kNoError;
  for (const CZorbXmlObject* toolbar : m_children) {
    if (!cfgxml::HasTag(toolbar, u"toolbar")) continue;
    const CString id = cfgtree::IdOf(toolbar);
    if (id.GetLength() == 0) continue;
    CZorbXmlObject* existing = FindToolbar(toolbarset, id);
    // The toolbar's own item goes, not one of the host's elsewhere that
    // carries the same id.
    for (const CZorbXmlObject* item : toolbar->m_children)
      if (!cfgtree::RestoreItem(*this, *item, toolbarset, &FindItemAnywhere))
        RemoveItem(toolbarset, cfgtree::IdOf(item), existing);
    if (existing && existing->m_children.empty()) cfgtree::Remove(toolbarset, existing);
  }
  return kNoError;
}
