#pragma once

// The engine's window on the person using it: questions, messages and
// progress. The application shell implements it by asking the movie (the
// calling worker waits for the answer); tests use scripted fakes.

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"

class CZorbPlexarUI {
 public:
  // The operation number handed to a product's configuration processing:
  // 0 and 2 put an extension's changes in, 1 and 3 take them out.
  enum OperationType : int32_t {
    kInstall = 0,
    kUninstall = 1,
    kEnable = 2,
    kDisable = 3,
  };

  // Who an install is for, as the person chose it.
  enum AdminInstallType : int32_t {
    kInstallForCurrentUser = 0,
    kInstallForAllUsers = 1,
  };

  // Message box types and answers.
  enum : unsigned int {
    kNotice = 0,
    kExistingItemDuringBundle = 1,
    kYesNo = 4,
    kRetryCancel = 5,
    kExistingItem = 8,
    kRetryWhileHostRuns = 257,
    kQuitRunningHost = 258,
  };
  enum : int {
    kAnswerCancel = 2,
    kAnswerRetry = 4,
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerOverwriteAll = 10,
  };

  virtual int MessageBox(const char16_t* text, unsigned int type, bool log) const = 0;
  virtual bool ConfirmInstall(const char16_t* first, const char16_t* second) const = 0;
  virtual bool PromptForFolder(CString title, CString defaultFolder, bool flag,
                               CString& chosen) const = 0;
  virtual bool PromptForLocale(CString productName, CString extensionName,
                               CZorbTypedVector<CString> locales, CString& chosen) const = 0;
  virtual void ShowWaitCursor() = 0;
  virtual void HideWaitCursor() = 0;
  virtual bool CreateKXIFromStandaloneWBXS(CString folder, CString packageName,
                                           CString third) const = 0;
  virtual void ShowProgress(const char16_t* title, const char16_t* text, bool flag) = 0;
  virtual void SetProgressCount(int total) = 0;
  virtual int getTotalProgressCount() = 0;
  virtual void UpdateProgress(int index) = 0;
  virtual void HideProgress() = 0;
  virtual bool GetInstallType(AdminInstallType& type) = 0;
  virtual bool Supports(CString productName, CString kxiProductName, CString kxiVersion,
                        CString kxiMaxVersion, bool minOpen, bool maxOpen, int mode) = 0;
  virtual bool validation(CZorbTypedVector<CString> input,
                          CZorbTypedVector<CString>& output) const = 0;
  virtual void ShowRequiredProducts(CZorbTypedVector<CString> products) = 0;
  virtual int ShowFailedPrimaryProduct(CString /*product*/) { return kAnswerYes; }
  virtual void UpdateProgressWithPriProductCount(int /*index*/, int /*primaryCount*/) {}

  virtual ~CZorbPlexarUI() = default;
};
