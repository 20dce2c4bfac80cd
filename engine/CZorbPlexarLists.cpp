// The installed extensions of each product, their lookups and the texts
// made from them for the user.
#include <algorithm>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/ExtensionXml.h"
#include "foundation/CZorbPath.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

CString displayName(const CZorbExtension& extension) {
  CString name;
  return extension.GetName(name);
}
CString authorName(const CZorbExtension& extension) {
  CString name;
  return extension.GetAuthorName(name);
}
CString fileNameOf(const CString& path) {
  return CZorbPath(path).GetFileName();
}

}  // namespace

CZorbPlexar::ExtensionList* CZorbPlexar::ListOf(const CZorbProduct* product) const {
  auto it = m_extensionLists.find(product);
  return it == m_extensionLists.end() ? nullptr : it->second;
}

void CZorbPlexar::ClearLists() {
  for (auto& [product, list] : m_extensionLists) {
    for (CZorbExtension* extension : *list) delete extension;
    delete list;
  }
  m_extensionLists.clear();
}

void CZorbPlexar::AddExtension(const CZorbProduct* product, CZorbExtension* extension) {
  ExtensionList*& list = m_extensionLists[product];
  if (!list) list = new ExtensionList;
  // Held twice, it would be deleted twice.
  if (std::find(list->begin(), list->end(), extension) != list->end()) return;
  list->push_back(extension);
}

void CZorbPlexar::RemoveExtension(const CZorbProduct* product, CZorbExtension* extension) {
  ExtensionList* list = ListOf(product);
  if (!list || !extension) return;
  const auto before = list->size();
  list->remove(extension);
  // Only what this list held is this list's to delete.
  if (list->size() != before) delete extension;
}

int CZorbPlexar::GetExtensions(const CZorbProduct* product,
                               CZorbTypedList<CZorbExtension*>* out) const {
  const ExtensionList* list = ListOf(product);
  if (!list) return 0;
  if (out)
    for (CZorbExtension* extension : *list)
      if (extension) out->push_back(extension);
  return 1;
}

CZorbExtension* CZorbPlexar::FindFirst(
    const CZorbProduct* product, const std::function<bool(const CZorbExtension&)>& test) const {
  if (!product) return nullptr;
  const ExtensionList* list = ListOf(product);
  if (!list) return nullptr;
  for (CZorbExtension* extension : *list)
    if (extension && test(*extension)) return extension;
  return nullptr;
}

CZorbExtension* CZorbPlexar::FindByName(const CZorbProduct* product, const CString& name) const {
  return FindFirst(product, [&](const CZorbExtension& e) {
    return displayName(e).CompareNoCase(name.Get()) == 0;
  });
}

CZorbExtension* CZorbPlexar::FindByPureName(const CZorbProduct* product,
                                            const CString& name) const {
  return FindFirst(
      product, [&](const CZorbExtension& e) { return e.m_name.CompareNoCase(name.Get()) == 0; });
}

CZorbExtension* CZorbPlexar::FindByResID(const CZorbProduct* product, const CString& resid) const {
  return FindFirst(product, [&](const CZorbExtension& e) {
    return e.m_nameResId.CompareNoCase(resid.Get()) == 0;
  });
}

CZorbExtension* CZorbPlexar::FindByNameAndAuthor(const CZorbProduct* product, const CString& name,
                                                 const CString& author, bool enabledOnly) const {
  return FindFirst(product, [&](const CZorbExtension& e) {
    if (enabledOnly && !e.m_enabled) return false;
    return displayName(e).CompareNoCase(name.Get()) == 0 &&
           authorName(e).CompareNoCase(author.Get()) == 0;
  });
}

CZorbExtension* CZorbPlexar::FindByProductAndPath(const CZorbProduct* product, const CString& path,
                                                  bool wholePath) const {
  const CString wanted = fileNameOf(path);
  return FindFirst(product, [&](const CZorbExtension& e) {
    if (wholePath) return e.m_path.CompareNoCase(path.Get()) == 0;
    return fileNameOf(e.m_path) == wanted;
  });
}

CZorbExtension* CZorbPlexar::GetExtensionByName(const CZorbProduct* product,
                                                const CZorbPath& fileName,
                                                const CZorbVersionNumber& version) const {
  return FindFirst(product, [&](const CZorbExtension& e) {
    return fileNameOf(e.m_path).CompareNoCase(fileName.Get()) == 0 &&
           e.m_version.Compare(version) == 0;
  });
}

CZorbExtension* CZorbPlexar::FindByPath(const char16_t* path) const {
  if (!path) return nullptr;
  for (const auto& [product, list] : m_extensionLists)
    for (CZorbExtension* extension : *list)
      if (extension && extension->m_path.CompareNoCase(path) == 0) return extension;
  return nullptr;
}

bool CZorbPlexar::checkWhetherNeedUpdate(const CZorbExtension& candidate,
                                         const CZorbExtension& installed) const {
  return candidate.m_version.Compare(installed.m_version) > 0;
}

int CZorbPlexar::CompareName(const CZorbExtension* a, const CZorbExtension* b) const {
  if (!a || !b) return 0;
  return displayName(*a).CompareNoCase(displayName(*b).Get());
}

int CZorbPlexar::CompareAuthor(const CZorbExtension* a, const CZorbExtension* b) const {
  if (!a || !b) return 0;
  return authorName(*a).CompareNoCase(authorName(*b).Get());
}

int CZorbPlexar::CompareVersion(const CZorbExtension* a, const CZorbExtension* b) const {
  if (!a || !b) return 0;
  return a->m_version.Compare(b->m_version);
}

int CZorbPlexar::CompareEnabled(const CZorbExtension* a, const CZorbExtension* b) const {
  if (!a || !b || a->m_enabled == b->m_enabled) return 0;
  return a->m_enabled ? -1 : 1;
}

int CZorbPlexar::CompareType(const CZorbExtension* a, const CZorbExtension* b) const {
  if (!a || !b) return 0;
  CString first;
  CString second;
  (void)GetTypeLabel(a->m_type, first);  // a code without label counts as empty
  (void)GetTypeLabel(b->m_type, second);
  return first.CompareNoCase(second.Get());
}

bool CZorbPlexar::GetTypeLabel(int code, CString& out) const {
  return m_typeLabels.Lookup(code, out);
}

void CZorbPlexar::GetExtensionDetail(const CZorbExtension* extension, CString& out) const {
  out.Empty();
  if (extension) {
    CString description;
    CString access;
    extension->GetDesc(description);
    extension->GetUIAccess(access);
    out = description;
    if (description.GetLength() && access.GetLength()) out += u"\r\r";
    out += access;
  }
  out.Replace(u"<BR>", u"\r");
  out.Replace(u"<br>", u"\r");
  out.Replace(u"&nbsp;", u" ");
  out.Replace(u"&amp;nbsp;", u" ");
}

void CZorbPlexar::BuildLegalAgreement(CString& out) const {
  out.Empty();
  for (unsigned int id = kMsgLegalFirst; id <= kMsgLegalLast; ++id) out += Message(id);
  out.Replace(u"\r", u"<BR>");
}

void CZorbPlexar::AlertExtensionNotExited(const CString& name) const {
  if (m_pUI) m_pUI->MessageBox(Message(kMsgExtensionNotInstalled, name).Get(), 0, true);
}

void CZorbPlexar::DisplayRequiredProducts(const CZorbTypedVector<CString>& names) const {
  if (m_pUI) m_pUI->ShowRequiredProducts(names);
}

void CZorbPlexar::getFirstErrorMsg(const CZorbTypedList<CZorbString>& messages,
                                   CString& out) const {
  if (!messages.empty()) out = messages.front();
}

int CZorbPlexar::wCharToChar(const CString& text, char* out) {
  const int32_t length = text.GetLength();
  for (int32_t i = 0; i < length; ++i) out[i] = static_cast<char>(text.GetAt(i) & 0xFF);
  out[length] = 0;
  return length;
}

void CZorbPlexar::ModifyPrimaryIfWBXSExtension(CZorbExtension* extension) const {
  if (!extension || !IsServiceFrameworkExtension(*extension)) return;
  for (CZorbXmlObject* child : extension->m_products.m_children) {
    auto* product = dynamic_cast<CZorbExtensionProduct*>(child);
    if (!product) break;
    if (product->m_name.CompareNoCase(u"WBXS") == 0) {
      product->m_primary = false;
      product->m_required = false;
    } else {
      product->m_primary = true;
    }
  }
}

bool CZorbPlexar::IsServiceFrameworkExtension(const CZorbExtension& extension) {
  return (extension.m_fileTypes & extcode::kFileTypeWbxs) != 0;
}
