#include "engine/CInstallRemoveExtension.h"

#include <algorithm>
#include <iterator>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"

CInstallRemoveExtension::CInstallRemoveExtension(CZorbPlexar* engine, const CZorbProduct* product,
                                                 CZorbExtension* extension, int mode, bool flag)
    : m_engine(engine),
      m_product(product),
      m_extension(extension),
      m_copy(extension != nullptr ? new CZorbExtension(*extension) : nullptr),
      m_flag(flag),
      m_mode(mode) {}

CInstallRemoveExtension::~CInstallRemoveExtension() {
  // Release frees both; a step deleted without it must not leak them.
  delete m_copy;
  FreeSnapshot();
}

void CInstallRemoveExtension::Snapshot() {
  FreeSnapshot();
  // The removal changes the entries of the same description file and
  // version, in any product's list.
  const CZorbPath fileName(CZorbPath(m_extension->m_path).GetFileName());
  const CZorbVersionNumber version = m_extension->m_version;
  for (const auto& [product, list] : m_engine->m_extensionLists) {
    if (list == nullptr) continue;
    size_t index = 0;
    for (CZorbExtension* entry : *list) {
      if (entry != nullptr && entry->m_version.Compare(version) == 0 &&
          CZorbPath(entry->m_path).GetFileName().CompareNoCase(fileName.Get()) == 0)
        m_entries.push_back({product, index, entry, new CZorbExtension(*entry)});
      ++index;
    }
  }
}

void CInstallRemoveExtension::FreeSnapshot() {
  for (ListEntry& entry : m_entries) delete entry.copy;
  m_entries.clear();
}

int CInstallRemoveExtension::Do() {
  if (m_engine == nullptr || m_product == nullptr || m_extension == nullptr) return -1;
  Snapshot();
  int restart = 0;
  const int result = m_engine->UninstallExtension(m_product, m_extension, false, true, false, true,
                                                  true, restart, false, m_mode, false, m_flag);
  // The removal may have deleted the extension with its list entries.
  m_extension = nullptr;
  m_state = result == 0 ? kRemoved : kFailed;
  return result;
}

int CInstallRemoveExtension::Undo() {
  if (m_engine == nullptr || m_product == nullptr || m_state != kRemoved) return -1;
  // In list order, so that each entry goes back where it stood.
  std::stable_sort(m_entries.begin(), m_entries.end(),
                   [](const ListEntry& a, const ListEntry& b) { return a.index < b.index; });
  if (m_entries.empty() && m_copy != nullptr) {
    m_engine->AddExtension(m_product, m_copy);
    m_copy = nullptr;
  }
  for (ListEntry& saved : m_entries) {
    CZorbPlexar::ExtensionList*& list = m_engine->m_extensionLists[saved.product];
    if (list == nullptr) list = new CZorbPlexar::ExtensionList;
    auto held = std::find(list->begin(), list->end(), saved.entry);
    if (held != list->end()) {
      // Still listed: only its state changed.
      **held = *saved.copy;
      continue;
    }
    auto at = list->begin();
    std::advance(at, static_cast<std::ptrdiff_t>(std::min(saved.index, list->size())));
    list->insert(at, saved.copy);
    saved.copy = nullptr;
  }
  FreeSnapshot();
  m_state = kUndone;
  return 0;
}

void CInstallRemoveExtension::Release() {
  FreeSnapshot();
  delete m_copy;
  m_copy = nullptr;
}
