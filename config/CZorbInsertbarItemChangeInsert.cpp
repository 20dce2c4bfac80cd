#include "config/CZorbInsertbarItemChangeInsert.h"

#include <atomic>

#include "config/CZorbHostNode.h"
#include "config/ConfigTreeEdit.h"
#include "config/ConfigXml.h"
#include "config/HostNodeMemory.h"
#include "foundation/CZorbPath.h"
#include "transaction/CInstallCreateFolder.h"

namespace {

std::atomic<CZorbInsertbarItemChangeInsert::InstallFolderReader> gInstallFolderReader{nullptr};

}  // namespace

void CZorbInsertbarItemChangeInsert::SetInstallFolderReader(InstallFolderReader reader) {
  gInstallFolderReader = reader;
}

CZorbInsertbarItemChangeInsert::CZorbInsertbarItemChangeInsert() {
  m_tag = u"insertbar-item-insert";
}

CZorbInsertbarItemChangeInsert::~CZorbInsertbarItemChangeInsert() = default;

CZorbXmlObject* CZorbInsertbarItemChangeInsert::Clone() const {
  return new CZorbInsertbarItemChangeInsert(*this);
}

void CZorbInsertbarItemChangeInsert::GetTag(CString& tag) const {
  tag = u"insertbar-item-insert";
}

void CZorbInsertbarItemChangeInsert::BuildXml(int level, CString& out) const {
  CString attributes;
  cfgxml::AppendAttributeAlways(attributes, cfgxml::PositionName(m_position), m_id);
  cfgxml::AppendAttribute(attributes, u"category", m_categoryId);
  AppendLocaleAttribute(attributes);
  cfgtree::BuildChangeXml(*this, attributes, true, level, out);
}

CZorbConfigChange::ErrorCode CZorbInsertbarItemChangeInsert::MakeChange(const CZorbConfigChanges*,
                                                                        CZorbXmlFile* file,
                                                                        const CZorbXmlFile*) const {
  CZorbXmlObject* insertbar = FindInsertbar(file);
  if (!insertbar) return kInsertbarChangeFailed;
  hostnode::Forget(*this);

  int32_t kind = m_position;
  CZorbXmlObject* container = nullptr;
  CZorbXmlObject* reference = nullptr;
  if (kind == kInsertBefore || kind == kInsertAfter) {
    reference = FindItem(insertbar, m_id, &container);
    if (!reference && m_categoryId.GetLength() > 0) {
      container = FindCategory(insertbar, m_categoryId);
      kind = kAppendTo;
    }
  } else if (kind == kPrependTo || kind == kAppendTo) {
    container = FindCategory(insertbar, m_id);
    if (!container) {
      CZorbXmlObject* item = FindItem(insertbar, m_id, nullptr);
      if (cfgxml::HasTag(item, u"menubutton")) container = item;
    }
  }

  ErrorCode result = kNoError;
  if (!container) {
    container = FindCategory(insertbar, CString(kCommonCategoryId));
    if (!container) {
      container = new CZorbXmlObject(u"category");
      container->SetAttribute(u"id", kCommonCategoryId);
      container->SetAttribute(u"folder", u"Common");
      insertbar->m_children.push_back(container);
    }
    kind = kAppendTo;
    reference = nullptr;
    result = kPlacedInFallbackCategory;
  }

  cfgtree::PlaceItems(*this, kind, insertbar, container, reference, &FindItemAnywhere, &AdoptLabel);
  return result;
}

CZorbConfigChange::ErrorCode CZorbInsertbarItemChangeInsert::UndoChange(const CZorbConfigChanges*,
                                                                        CZorbXmlFile* file,
                                                                        const CZorbXmlFile*) const {
  CZorbXmlObject* insertbar = FindInsertbar(file);
  if (!insertbar) return kNoError;
  for (const CZorbXmlObject* item : m_children)
    if (!dynamic_cast<const CZorbHostNode*>(item) &&
        !cfgtree::RestoreItem(*this, *item, insertbar, &FindItemAnywhere))
      RemoveItem(insertbar, cfgtree::IdOf(item));
  return kNoError;
}

CZorbConfigChange::ErrorCode CZorbInsertbarItemChangeInsert::PostMakeChange(
    ErrorCode code, const CZorbProduct* product,
    CZorbTypedVector<CZorbExtensionInstallStep*>* steps) {
  if (code != kPlacedInFallbackCategory || !product || !steps) return code;
  const InstallFolderReader reader = gInstallFolderReader;
  CString installFolder;
  if (!reader || !reader(product, installFolder) || installFolder.GetLength() == 0)
    return kInsertbarChangeFailed;
  CZorbPath folder(installFolder);
  folder.Append(u"Configuration");
  folder.Append(u"Objects");
  folder.Append(u"Common");
  auto* step = new CInstallCreateFolder(folder);
  steps->push_back(step);
  return step->Do() == 0 ? code : kInsertbarChangeFailed;
}
