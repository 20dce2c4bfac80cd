#include "config/CZorbToolbarItemChangeInsert.h"

#include "config/CZorbHostNode.h"
#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"

CZorbToolbarItemChangeInsert::CZorbToolbarItemChangeInsert() {
  m_tag = u"toolbar-item-insert";
}

CZorbToolbarItemChangeInsert::~CZorbToolbarItemChangeInsert() = default;

CZorbXmlObject* CZorbToolbarItemChangeInsert::Clone() const {
  return new CZorbToolbarItemChangeInsert(*this);
}

void CZorbToolbarItemChangeInsert::GetTag(CString& tag) const {
  tag = u"toolbar-item-insert";
}

void CZorbToolbarItemChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, cfgxml::PositionName(m_position), m_id);
  cfgxml::AppendAttribute(attributes, u"toolbar", m_toolbarId);
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbToolbarItemChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                      CZorbXmlFile* file,
                                                                      const CZorbXmlFile*) const {
  CZorbXmlObject* toolbarset = FindToolbarSet(file);
  if (!toolbarset) return kToolbarChangeFailed;
  hostnode::Forget(*this);

  int32_t kind = m_position;
  CZorbXmlObject* toolbar = nullptr;
  CZorbXmlObject* reference = nullptr;
  if (kind == kInsertBefore || kind == kInsertAfter) {
    reference = FindItem(toolbarset, m_id, &toolbar);
    if (!reference && m_toolbarId.GetLength() > 0) {
      toolbar = FindToolbar(toolbarset, m_toolbarId);
      kind = kAppendTo;
    }
  } else if (kind == kPrependTo || kind == kAppendTo) {
    toolbar = FindToolbar(toolbarset, m_id);
  }

  ErrorCode result = kNoError;
  if (!toolbar) {
    toolbar = FindToolbar(toolbarset, CString(kMiscellaneousToolbarId));
    if (!toolbar) {
      toolbar = new CZorbXmlObject(u"toolbar");
      toolbar->SetAttribute(u"id", kMiscellaneousToolbarId);
      CString label(u"Miscellaneous");
      label.LoadString(4141);
      toolbar->SetAttribute(u"label", label);
      toolbarset->m_children.push_back(toolbar);
    }
    kind = kAppendTo;
    reference = nullptr;
    result = kPlacedInFallbackToolbar;
  }

  cfgtree::PlaceItems(*this, kind, toolbarset, toolbar, reference, &FindItemAnywhere, nullptr);
  return result;
}

CZorbConfigChange::ErrorCode CZorbToolbarItemChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                      CZorbXmlFile* file,
                                                                      const CZorbXmlFile*) const {
  CZorbXmlObject* toolbarset = FindToolbarSet(file);
  if (!toolbarset) return kNoError;
  for (const CZorbXmlObject* item : m_children)
    if (!dynamic_cast<const CZorbHostNode*>(item) &&
        !cfgtree::RestoreItem(*this, *item, toolbarset, &FindItemAnywhere))
      RemoveItem(toolbarset, cfgtree::IdOf(item));
  return kNoError;
}
