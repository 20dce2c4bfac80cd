#pragma once

#include "foundation/CString.h"
#include "transaction/CInstallBackupFile.h"

// Backs a host's file up into the temporary folder before a product changes
// it. Undo puts the file back as CInstallBackupFile does; after a successful
// operation the copy goes, so nothing of the operation stays beside the
// host's files.
class CInstallTemporaryBackup : public CInstallBackupFile {
 public:
  // The backup path is a fresh name in the temporary folder; Do fails when
  // there is none.
  explicit CInstallTemporaryBackup(const char16_t* file);
  ~CInstallTemporaryBackup() override;

  int Do() override;
  void Release() override;
};
