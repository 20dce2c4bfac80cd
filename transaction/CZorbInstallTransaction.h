#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"
#include "transaction/CZorbExtensionInstallStep.h"

class CZorbPlexarUI;

// The step list of one engine operation and the one place that ends it:
// on success every step is released and deleted; on failure every step is
// undone, released and deleted from the last to the first.
//
// Either end also removes what copies over existing files left aside
// (CZorbOS::RemoveCopyLeftovers).
//
// Creators, here and in other libraries, are handed GetSteps(): they append
// a step and run its Do at once, and never undo, release or delete it.
//
// An operation takes the transaction through a Scope. The first scope owns
// it; a scope taken while it is open (an operation run as part of another)
// joins it, and its Commit and Rollback leave the steps to the owner.
class CZorbInstallTransaction {
 public:
  using StepVector = CZorbTypedVector<CZorbExtensionInstallStep*>;
  enum class Order { kFirstToLast, kLastToFirst };

  // "%s could not be restored. Its saved copy is kept at %s."
  static constexpr unsigned int kNotRestoredMessage = 4236;

  class Scope {
   public:
    explicit Scope(CZorbInstallTransaction& transaction);
    // An owner that neither committed nor rolled back rolls back.
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

    bool IsOwner() const { return m_owner; }
    void Commit(Order order);
    // The number of steps whose undo failed (0 for a joined scope).
    int Rollback(CZorbPlexarUI* ui);

   private:
    CZorbInstallTransaction& m_transaction;
    bool m_owner;
    bool m_finished = false;
  };

  CZorbInstallTransaction() = default;
  // Steps still held are rolled back.
  ~CZorbInstallTransaction();
  CZorbInstallTransaction(const CZorbInstallTransaction&) = delete;
  CZorbInstallTransaction& operator=(const CZorbInstallTransaction&) = delete;

  StepVector& GetSteps() { return m_steps; }
  const StepVector& GetSteps() const { return m_steps; }
  // Appends the step and runs its Do; Do's result (-1 for null, which is
  // not appended).
  int Add(CZorbExtensionInstallStep* step);
  bool IsOpen() const { return m_open; }

  // Releases and deletes every step in the given order, then empties the
  // list.
  void Commit(Order order);
  // From the last step to the first, skipping null entries: Undo, then
  // Release, then delete. A step whose Undo fails is not released: it keeps
  // its saved copy, the failure is logged, and the person is told (through
  // ui, when given) what could not be restored and where its copy lies. The
  // rest of the steps are still undone. Returns the number of failed undos.
  int Rollback(CZorbPlexarUI* ui);

 private:
  StepVector m_steps;
  bool m_open = false;
};
