#pragma once

#include <cstdint>
#include <functional>

#include "foundation/CString.h"
#include "transaction/CZorbInstallTransaction.h"

class CZorbExtensionInstallStep;
class CZorbPlexarUI;

// Runs steps whose file or folder may be in use, asking the person to free
// it and trying again while they choose Retry; also makes the folders of a
// path exist as steps of a transaction. The engine's helpers of the same
// names are these.
class CZorbBusyFileHelper {
 public:
  // Sets product to the name of the running host that holds path, or
  // leaves it empty.
  using HolderLookup = std::function<void(const CString& path, CString& product)>;

  // Message ids.
  static constexpr unsigned int kCannotCreateFolder = 4027;   // path
  static constexpr unsigned int kFileBusyInProduct = 4023;    // path, product, product
  static constexpr unsigned int kFileBusy = 4046;             // path
  static constexpr unsigned int kFolderNotWritable = 4139;    //
  static constexpr unsigned int kFolderBusy = 4189;           // path
  static constexpr unsigned int kFolderBusyInProduct = 4221;  // path, product, product
  // The pause after Retry, for whoever holds the item to let it go.
  static constexpr uint32_t kRetryWaitMs = 5000;

  explicit CZorbBusyFileHelper(CZorbPlexarUI* ui, HolderLookup holder = {});

  // Runs the step's Do until it succeeds (true), the folder of path cannot
  // be written to (message 4139, false), or the person does not choose
  // Retry (false). False, with a log line, for a null step or without a UI.
  bool RunWhileBusy(CZorbExtensionInstallStep* step, const CString& path);
  // Tells the person the file is in use (naming the running host that holds
  // it unless plain) with Retry and Cancel; after Retry waits 5 s. The
  // answer, or -1 without a UI.
  int HelpUserFreeFile(const CString& path, bool plain);
  // The same for a folder, always asking which host holds it.
  int HelpUserFreeFolder(const CString& path);
  // Deletes a folder tree as a step of the transaction, retrying while the
  // folder is busy; 0 on success, 1 on failure.
  int DeleteDirectory(CZorbInstallTransaction& transaction, const CString& path);
  // Makes every missing folder of path, outermost first, each as a step of
  // the transaction; false (with message 4139 or 4027 when there is a UI)
  // when one cannot be made.
  bool EnsureFolderExists(CZorbInstallTransaction& transaction, const CString& path);

 private:
  // Shows the message through the UI, when there is one; its answer or -1.
  int Tell(const CString& text, unsigned int type) const;
  void WaitForRetry() const;

  CZorbPlexarUI* m_ui;
  HolderLookup m_holder;
};
