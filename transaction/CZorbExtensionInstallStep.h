#pragma once

class CString;

// One undoable change to the file system, made as part of an engine
// operation. A creator allocates the step, appends it to the step list it
// was given and calls Do at once; the operation that owns the list later
// calls Undo (on failure), Release and delete, exactly once per step.
//
// A step remembers how far its Do got: Undo puts back only what Do
// changed, so it is safe after a failed or partial Do. A failed Do may be
// run again (the busy-file retries do); it goes on from where it stopped.
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

  // For a step whose Undo failed: the item it could not put back and the
  // saved copy it keeps of it. False when the step keeps no copy.
  virtual bool GetRestoreInfo(CString& item, CString& backup) const;
};
