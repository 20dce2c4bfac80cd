#include "products/CInstallTemporaryBackup.h"

#include "transaction/StepFiles.h"

CInstallTemporaryBackup::CInstallTemporaryBackup(const char16_t* file)
    : CInstallBackupFile(file, stepfiles::NewTempName(u"xbk").Get()) {}

CInstallTemporaryBackup::~CInstallTemporaryBackup() = default;

int CInstallTemporaryBackup::Do() {
  if (GetBackupPath().GetLength() == 0) return -1;
  return CInstallBackupFile::Do();
}

void CInstallTemporaryBackup::Release() {
  CInstallBackupFile::Release();
  // The operation stands: the copy is no longer needed to undo it.
  if (GetBackupPath().GetLength() > 0 && stepfiles::ItemExists(GetBackupPath()))
    stepfiles::DiscardFile(GetBackupPath());
}
