#include "transaction/CZorbBusyFileHelper.h"

#include <string>
#include <vector>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbTimer.h"
#include "foundation/Logger.h"
#include "transaction/CInstallCreateFolder.h"
#include "transaction/CInstallDeleteDirectory.h"
#include "transaction/CZorbExtensionInstallStep.h"
#include "transaction/CZorbPlexarUI.h"
#include "transaction/StepFiles.h"

using namespace stepfiles;

namespace {

constexpr uint32_t kBackgroundStepMs = 100;

CString Message(unsigned int id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString Message(unsigned int id, const CString& a) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a);
  return text;
}

CString Message(unsigned int id, const CString& a, const CString& b, const CString& c) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a, b, c);
  return text;
}

}  // namespace

CZorbBusyFileHelper::CZorbBusyFileHelper(CZorbPlexarUI* ui, HolderLookup holder)
    : m_ui(ui), m_holder(std::move(holder)) {}

int CZorbBusyFileHelper::Tell(const CString& text, unsigned int type) const {
  return m_ui != nullptr ? m_ui->MessageBox(text, type, true) : -1;
}

void CZorbBusyFileHelper::WaitForRetry() const {
  CZorbTimer timer(kRetryWaitMs);
  timer.Start();
  while (!timer.IsDone()) {
    CZorbOS::AllowBackgroundProcessing();
    CZorbTimer step(kBackgroundStepMs);
    step.Start();
    step.Wait();
  }
}

bool CZorbBusyFileHelper::RunWhileBusy(CZorbExtensionInstallStep* step, const CString& path) {
  if (step == nullptr || m_ui == nullptr) {
    Logger::write(Logger::kError,
                  std::string("handleFileOperationWithCheckingFileOccupied: the step or m_pUI is "
                              "null"),
                  __FILE__, __LINE__);
    return false;
  }
  for (;;) {
    if (step->Do() == 0) return true;
    if (!CZorbOS::CanWriteToDirectory(FolderOf(path))) {
      Tell(Message(kFolderNotWritable), CZorbPlexarUI::kNotice);
      return false;
    }
    if (HelpUserFreeFile(path, true) != CZorbPlexarUI::kAnswerRetry) return false;
  }
}

int CZorbBusyFileHelper::HelpUserFreeFile(const CString& path, bool plain) {
  if (m_ui == nullptr) return -1;
  CString product;
  if (!plain && m_holder) m_holder(path, product);
  const CString text = product.GetLength() > 0 ? Message(kFileBusyInProduct, path, product, product)
                                               : Message(kFileBusy, path);
  const int answer = m_ui->MessageBox(text, CZorbPlexarUI::kRetryCancel, true);
  if (answer != CZorbPlexarUI::kAnswerRetry) return answer;
  m_ui->ShowWaitCursor();
  WaitForRetry();
  m_ui->HideWaitCursor();
  return answer;
}

int CZorbBusyFileHelper::HelpUserFreeFolder(const CString& path) {
  if (m_ui == nullptr) return -1;
  CString product;
  if (m_holder) m_holder(path, product);
  const CString text = product.GetLength() > 0
                           ? Message(kFolderBusyInProduct, path, product, product)
                           : Message(kFolderBusy, path);
  const int answer = m_ui->MessageBox(text, CZorbPlexarUI::kRetryCancel, true);
  if (answer == CZorbPlexarUI::kAnswerRetry) WaitForRetry();
  return answer;
}

int CZorbBusyFileHelper::DeleteDirectory(CZorbInstallTransaction& transaction,
                                         const CString& path) {
  auto* step = new CInstallDeleteDirectory(path);
  transaction.GetSteps().push_back(step);
  for (;;) {
    if (step->Do() == 0) return 0;
    if (!CZorbOS::CanWriteToDirectory(FolderOf(path))) {
      Tell(Message(kFolderNotWritable), CZorbPlexarUI::kNotice);
      return 1;
    }
    if (HelpUserFreeFolder(path) != CZorbPlexarUI::kAnswerRetry) return 1;
  }
}

bool CZorbBusyFileHelper::EnsureFolderExists(CZorbInstallTransaction& transaction,
                                             const CString& path) {
  const CString folder = WithoutColon(path);
  if (CZorbOS::DirectoryExists(folder)) return true;
  // The missing folders, outermost first.
  std::vector<CString> missing{folder};
  for (const CString& parent : MissingFolders(folder)) missing.push_back(parent);
  // Nothing can be made on a volume that is not there.
  if (missing.back().Find(u':') < 0 ||
      !CZorbOS::DirectoryExists(WithoutColon(FolderOf(missing.back()))))
    return false;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!CZorbOS::CanWriteToDirectory(FolderOf(*it))) {
      Tell(Message(kFolderNotWritable), CZorbPlexarUI::kNotice);
      return false;
    }
    if (transaction.Add(new CInstallCreateFolder(*it)) != 0) {
      Tell(Message(kCannotCreateFolder, *it), CZorbPlexarUI::kNotice);
      return false;
    }
  }
  return true;
}
