#include "transaction/CZorbInstallTransaction.h"

#include <optional>
#include <string>

#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/ColonPath.h"
#include "platform/os/Utf.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

// A person looks for the copy in a file manager: the POSIX form when there
// is one.
CString Shown(const CString& path) {
  const std::optional<std::string> posix = platform::colonToPosix(Text(path));
  if (!posix) return path;
  const std::optional<std::u16string> shown = platform::utf8ToUtf16(*posix);
  return shown ? CString(shown->c_str(), static_cast<uint32_t>(shown->size())) : path;
}

}  // namespace

CZorbInstallTransaction::Scope::Scope(CZorbInstallTransaction& transaction)
    : m_transaction(transaction), m_owner(!transaction.m_open) {
  if (m_owner) m_transaction.m_open = true;
}

CZorbInstallTransaction::Scope::~Scope() {
  if (m_owner && !m_finished) Rollback(nullptr);
}

void CZorbInstallTransaction::Scope::Commit(Order order) {
  if (!m_owner || m_finished) return;
  m_finished = true;
  m_transaction.Commit(order);
  m_transaction.m_open = false;
}

int CZorbInstallTransaction::Scope::Rollback(CZorbPlexarUI* ui) {
  if (!m_owner || m_finished) return 0;
  m_finished = true;
  const int failed = m_transaction.Rollback(ui);
  m_transaction.m_open = false;
  return failed;
}

CZorbInstallTransaction::~CZorbInstallTransaction() {
  if (!m_steps.empty()) Rollback(nullptr);
}

int CZorbInstallTransaction::Add(CZorbExtensionInstallStep* step) {
  if (step == nullptr) return -1;
  m_steps.push_back(step);
  return step->Do();
}

void CZorbInstallTransaction::Commit(Order order) {
  // Steps appended while releasing (none are expected) are left for later.
  StepVector steps;
  steps.swap(m_steps);
  auto finish = [](CZorbExtensionInstallStep* step) {
    if (step == nullptr) return;
    step->Release();
    delete step;
  };
  if (order == Order::kFirstToLast) {
    for (CZorbExtensionInstallStep* step : steps) finish(step);
  } else {
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) finish(*it);
  }
  // Old bytes that a copy could not remove at once go with the operation.
  (void)CZorbOS::RemoveCopyLeftovers();
}

int CZorbInstallTransaction::Rollback(CZorbPlexarUI* ui) {
  StepVector steps;
  steps.swap(m_steps);
  int failed = 0;
  CString notice;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    CZorbExtensionInstallStep* step = *it;
    if (step == nullptr) continue;
    if (step->Undo() == 0) {
      step->Release();
      delete step;
      continue;
    }
    ++failed;
    CString item, backup;
    if (step->GetRestoreInfo(item, backup)) {
      Logger::write(
          Logger::kError,
          u"Undo failed: " + Text(item) + u" was not restored; its copy stays at " + Text(backup),
          __FILE__, __LINE__);
      CString format, line;
      if (format.LoadString(kNotRestoredMessage))
        line.Format(platform::RuntimeFormat(format.Get()), Shown(item), Shown(backup));
      else
        line = Shown(item) + u" <- " + Shown(backup);
      if (notice.GetLength() > 0) notice += u'\r';
      notice += line;
    } else {
      Logger::write(Logger::kError, u"An install step could not be undone.", __FILE__, __LINE__);
    }
    // Not released: whatever it saved stays where the notice says.
    delete step;
  }
  if (ui != nullptr && notice.GetLength() > 0) ui->MessageBox(notice, CZorbPlexarUI::kNotice, true);
  (void)CZorbOS::RemoveCopyLeftovers();
  return failed;
}
