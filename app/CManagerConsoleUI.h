#pragma once

#include "transaction/CZorbPlexarUI.h"

// A quiet UI for work without the movie: it answers yes to what it can and
// shows nothing. The questions it can't answer are left to a subclass.
class CManagerConsoleUI : public CZorbPlexarUI {
 public:
  using CZorbPlexarUI::MessageBox;
  virtual int MessageBox(const char16_t* text, unsigned int type) const;

  bool ConfirmInstall(const char16_t* first, const char16_t* second) const override;
  // Leaves the folder as it is.
  bool PromptForFolder(CString title, CString defaultFolder, bool flag,
                       CString& chosen) const override;
  bool GetInstallType(AdminInstallType& type) override;
  void ShowWaitCursor() override {}
  void HideWaitCursor() override {}
  void ShowProgress(const char16_t* title, const char16_t* text, bool flag) override;
  void SetProgressCount(int total) override;
  void UpdateProgress(int index) override;
  void HideProgress() override {}
};
