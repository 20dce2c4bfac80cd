#pragma once

// One undoable change to the file system, made as part of an engine
// operation. A creator allocates the step, appends it to the step list it
// was given and calls Do at once; the operation that owns the list later
// calls Undo (on failure), Release and delete, exactly once per step.
class CZorbExtensionInstallStep {
 public:
  CZorbExtensionInstallStep() = default;
  virtual ~CZorbExtensionInstallStep();
  CZorbExtensionInstallStep(const CZorbExtensionInstallStep&) = delete;
  CZorbExtensionInstallStep& operator=(const CZorbExtensionInstallStep&) = delete;

  // 0 on success, -1 on failure; they show no messages.
  virtual int Do() = 0;
  virtual int Undo() = 0;
  // Drops what was kept for an undo once the operation has succeeded; after
  // it the step can no longer be undone. The base keeps nothing.
  virtual void Release();
};
