#include "transaction/CInstallAddFontResource.h"

#include "foundation/CZorbOS.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

CInstallAddFontResource::CInstallAddFontResource(const char16_t* source,
                                                 const char16_t* destination)
    : m_source(source), m_destination(destination) {}

CInstallAddFontResource::~CInstallAddFontResource() = default;

int CInstallAddFontResource::Do() {
  if (!m_checked) {
    const Kind kind = KindOf(m_destination);
    if (kind == Kind::kUnknown) return -1;
    m_existed = kind != Kind::kNothing;
    if (!m_existed) m_createdFolders = MissingFolders(m_destination);
    m_checked = true;
  }
  if (m_existed) return 0;
  m_copyTried = true;
  return CZorbOS::CopyFile(m_source, m_destination) ? 0 : -1;
}

int CInstallAddFontResource::Undo() {
  if (!m_copyTried) return 0;
  if (!DiscardFile(m_destination))
    LogStepError(u"Cannot remove the font copied to ", m_destination, __FILE__, __LINE__);
  RemoveCreatedFolders(m_createdFolders);
  m_copyTried = false;
  return 0;
}
