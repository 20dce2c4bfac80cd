#include "engine/CInstallDisableExtension.h"

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"

CInstallDisableExtension::CInstallDisableExtension(CZorbPlexar* engine, const CZorbProduct* product,
                                                   CZorbExtension* extension, int mode, bool flag)
    : m_engine(engine), m_product(product), m_extension(extension), m_flag(flag), m_mode(mode) {}

CInstallDisableExtension::~CInstallDisableExtension() = default;

int CInstallDisableExtension::Do() {
  if (m_engine == nullptr || m_product == nullptr || m_extension == nullptr) return -1;
  if (m_done) return 0;
  m_joined = m_engine->GetTransaction().IsOpen();
  m_enabled = m_extension->m_enabled;
  m_enabledForEnableAll = m_extension->m_enabledForEnableAll;
  m_path = m_extension->m_path;
  const int result = m_engine->DisableExtension(m_product, m_extension, false, m_mode, true);
  m_done = result == 0;
  return result;
}

int CInstallDisableExtension::Undo() {
  if (m_engine == nullptr || m_product == nullptr || m_extension == nullptr) return -1;
  // A failed disable rolled itself back and changed nothing in memory.
  if (!m_done) return 0;
  m_done = false;
  if (!m_joined) {
    // The disable committed on its own: only enabling brings it back.
    const int result = m_engine->EnableExtension(m_product, m_extension, m_mode);
    m_extension = nullptr;
    return result == 0 ? 0 : -1;
  }
  // The owner's rollback restores the files; the list entry gets its state.
  m_extension->m_enabled = m_enabled;
  m_extension->m_enabledForEnableAll = m_enabledForEnableAll;
  m_extension->m_path = m_path;
  return 0;
}
