#pragma once

#include "foundation/CString.h"
#include "transaction/CZorbExtensionInstallStep.h"

class CZorbExtension;
class CZorbPlexar;
class CZorbProduct;

// Disables an installed extension as a step of an operation that owns the
// transaction (an install making room for an update). The disable joins
// that transaction, so its files, configuration changes and plug-in file
// come back through the owner's rollback; Undo puts back only what the
// disable changed in memory. Run where no transaction was open, the disable
// commits on its own and Undo enables the extension again.
class CInstallDisableExtension : public CZorbExtensionInstallStep {
 public:
  // Engine, product and extension are borrowed; flag is kept, not used.
  CInstallDisableExtension(CZorbPlexar* engine, const CZorbProduct* product,
                           CZorbExtension* extension, int mode, bool flag);
  ~CInstallDisableExtension() override;

  // -1 without engine, product or extension; else DisableExtension's result.
  int Do() override;
  int Undo() override;

 private:
  CZorbPlexar* m_engine;
  const CZorbProduct* m_product;
  CZorbExtension* m_extension;
  bool m_flag;
  int m_mode;

  // What the disable changes in memory, as it was before.
  bool m_done = false;
  bool m_joined = false;
  bool m_enabled = false;
  bool m_enabledForEnableAll = false;
  CString m_path;
};
