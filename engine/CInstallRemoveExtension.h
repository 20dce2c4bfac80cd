#pragma once

#include <cstddef>
#include <vector>

#include "transaction/CZorbExtensionInstallStep.h"

class CZorbExtension;
class CZorbPlexar;
class CZorbProduct;

// Removes an installed extension as a step of the operation that owns the
// transaction (an install replacing it). The removal's file changes join
// that transaction; Undo gives every installed-extension list back what
// the removal took out of it or changed in it.
class CInstallRemoveExtension : public CZorbExtensionInstallStep {
 public:
  enum State { kNotDone = 0, kRemoved = 1, kFailed = 2, kUndone = 3 };

  // Engine, product and extension are borrowed; the step keeps a copy of
  // the extension. flag is passed on to the removal.
  CInstallRemoveExtension(CZorbPlexar* engine, const CZorbProduct* product,
                          CZorbExtension* extension, int mode, bool flag);
  ~CInstallRemoveExtension() override;

  // -1 without engine, product or extension; else the removal's result.
  int Do() override;
  // -1 unless the removal succeeded.
  int Undo() override;
  // Frees what Undo did not hand back.
  void Release() override;

  State GetState() const { return m_state; }
  const CZorbExtension* GetCopy() const { return m_copy; }

 private:
  // One entry of a list the removal may change: where it stood, the entry
  // itself and a copy of it as it was.
  struct ListEntry {
    const CZorbProduct* product;
    size_t index;
    const CZorbExtension* entry;
    CZorbExtension* copy;
  };
  void Snapshot();
  void FreeSnapshot();

  CZorbPlexar* m_engine;
  const CZorbProduct* m_product;
  CZorbExtension* m_extension;
  CZorbExtension* m_copy;
  State m_state = kNotDone;
  bool m_flag;
  int m_mode;
  std::vector<ListEntry> m_entries;
};
