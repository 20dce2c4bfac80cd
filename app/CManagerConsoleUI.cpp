#include "app/CManagerConsoleUI.h"

int CManagerConsoleUI::MessageBox(const char16_t* /*text*/, unsigned int /*type*/) const {
  return 0;
}

bool CManagerConsoleUI::ConfirmInstall(const char16_t* /*first*/,
                                       const char16_t* /*second*/) const {
  return true;
}

bool CManagerConsoleUI::PromptForFolder(CString /*title*/, CString /*defaultFolder*/, bool /*flag*/,
                                        CString& /*chosen*/) const {
  return true;
}

bool CManagerConsoleUI::GetInstallType(AdminInstallType& /*type*/) {
  return true;
}

void CManagerConsoleUI::ShowProgress(const char16_t* /*title*/, const char16_t* /*text*/,
                                     bool /*flag*/) {}

void CManagerConsoleUI::SetProgressCount(int /*total*/) {}

void CManagerConsoleUI::UpdateProgress(int /*index*/) {}
