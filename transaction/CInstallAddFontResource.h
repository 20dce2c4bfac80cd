#pragma once

#include <vector>

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

// Copies a font into place unless a file of that name is there already;
// an existing font is never replaced, and the undo removes only a copy of
// its own.
class CInstallAddFontResource : public CZorbExtensionInstallStep {
 public:
  CInstallAddFontResource(const char16_t* source, const char16_t* destination);
  ~CInstallAddFontResource() override;

  int Do() override;
  // Always 0.
  int Undo() override;

  const CString& GetSource() const { return m_source; }
  const CString& GetDestination() const { return m_destination; }

 private:
  CString m_source;
  CString m_destination;

  bool m_checked = false;
  bool m_existed = false;
  bool m_copyTried = false;
  std::vector<CString> m_createdFolders;
};
