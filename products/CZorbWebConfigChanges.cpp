// CZorbLoomwright: an extension's configuration and help change sets
// applied to and undone from the host's files. Each file is backed up once
// per operation by an install step, so the engine can put it back when
// the operation fails later.

#include <vector>

#include "config/CZorbConfigChange.h"
#include "config/CZorbConfigChanges.h"
#include "config/CZorbHelpChange.h"
#include "config/CZorbHelpChanges.h"
#include "extension/CZorbExtension.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbTimer.h"
#include "foundation/CZorbXmlFile.h"
#include "platform/os/Clock.h"
#include "products/CInstallNewConfigFile.h"
#include "products/CInstallTemporaryBackup.h"
#include "products/CZorbLoomwright.h"
#include "transaction/CInstallCopyFile.h"

namespace {

using Code = CZorbConfigChange::ErrorCode;

bool Applies(CZorbPlexarUI::OperationType operation) {
  return operation == CZorbPlexarUI::kInstall || operation == CZorbPlexarUI::kEnable;
}

CString Text(unsigned int id) {
  CString text;
  text.LoadString(id);
  return text;
}

void AppendOnce(CString& errorText, const CString& message) {
  if (message.GetLength() > 0 && errorText.Find(message.Get()) >= 0) return;
  if (errorText.GetLength() > 0) errorText += u"\n";
  errorText += message;
}

// Runs a step the caller has appended; the step list owns it either way.
bool Run(CZorbProduct::StepVector* steps, CZorbExtensionInstallStep* step) {
  steps->push_back(step);
  return step->Do() == 0;
}

// Backs the file up unless this operation did already.
bool BackUpOnce(CZorbProduct::StepVector* steps, const CString& target) {
  if (CZorbProduct::BackUpFileExists(target)) return true;
  if (!Run(steps, new CInstallTemporaryBackup(target))) return false;
  CZorbProduct::AddBackUpFile(target);
  return true;
}

// Processes each change set until one fails; true when one did.
template <class Sets, class Process>
bool AnySetFails(const Sets& sets, Process process) {
  for (const auto* changes : sets)
    if (changes != nullptr && process(changes) != 0) return true;
  return false;
}

// The message shown at the end of an operation, or empty.
CString FinalMessage(const CString& errorText, const CString& title, int32_t errors,
                     int32_t warnings) {
  CString message;
  if (errors + warnings >= 2) {
    message = Text(CZorbLoomwright::kMsgSeveralProblems);
    message += u" ";
    message += title;
    message += u"\n";
    message += errorText;
  } else {
    message = errorText;
    message += u" ";
    message += title;
  }
  return message;
}

}  // namespace

bool CZorbLoomwright::IsContainedRelativePath(const CString& relative) {
  if (relative.GetLength() == 0) return false;
  // Names are colon-separated below the configuration folder; one leading
  // ":" marks a relative path.
  int32_t start = relative.GetAt(0) == u':' ? 1 : 0;
  if (start >= relative.GetLength()) return false;
  while (start <= relative.GetLength()) {
    int32_t end = relative.Find(u':', start);
    if (end < 0) end = relative.GetLength();
    const CString part = relative.Mid(start, end - start);
    // An empty part is the parent in colon paths.
    if (part.GetLength() == 0 || part == u"." || part == u".." || part.Find(u'/') >= 0 ||
        part.Find(u'\\') >= 0 || part.Find(u'\0') >= 0)
      return false;
    start = end + 1;
  }
  return true;
}

void CZorbLoomwright::AddConfigError(CString& errorText, int32_t code, const CString&) {
  CString message;
  switch (code) {
    case 3:
      message = Text(4065) + CString(u" ") + Text(4066);
      break;
    case 4:
      message = Text(4067);
      break;
    case 5:
      message = Text(4080);
      break;
    case 6:
      message = Text(4142);
      break;
    case 7:
      message = Text(4143);
      break;
    case 8:
      message = Text(4144);
      break;
    case 10:
      message = Text(4029);
      break;
    case 11:
      message = Text(4079);
      break;
    case 12:
      message = Text(4078);
      break;
    case 14:
      message = FormatMessage(4081, u"element-insert", u"name");
      break;
    case 15:
      message = FormatMessage(4081, u"element-remove", u"name");
      break;
    case 16:
      message = FormatMessage(4081, u"attrubute-insert", u"name");
      break;
    case 17:
      message = FormatMessage(4081, u"attribute-remove", u"name");
      break;
    case 19:
      message = Text(4087);
      break;
    case 21:
      message = Text(4089);
      break;
    case 22:
      message = FormatMessage(4081, u"ftp-extension-insert", u"extension");
      break;
    case 23:
      message = FormatMessage(4081, u"ftp-extension-remove", u"extension");
      break;
    case 24:
      message = FormatMessage(4081, u"extension-insert", u"extension");
      break;
    case 25:
      message = FormatMessage(4081, u"extension-insert", u"description");
      break;
    case 26:
      message = FormatMessage(4081, u"extension-remove", u"extension");
      break;
    case 27:
      message = Text(4097);
      break;
    case 28:
      message = Text(4096);
      break;
    case 29:
      message = Text(4132);
      break;
    case 30:
      message = Text(4133);
      break;
    case 31:
      message = Text(4135);
      break;
    case 32:
      message = Text(4136);
      break;
    case 33:
      message = Text(4139);
      break;
    default:
      message = Text(4077);
      break;
  }
  AppendOnce(errorText, message);
}

void CZorbLoomwright::AddHelpError(CString& errorText, int32_t code, const CString&) {
  AppendOnce(errorText, Text(code == kHelpBooksFailed ? 4134 : 4077));
}

bool CZorbLoomwright::WaitUntilWritable(CZorbPlexarUI* ui, const CString& target) const {
  while (!CZorbOS::CanUpdateFile(target)) {
    const CString text = FormatMessage(kMsgFileInUse, target);
    if (ui->MessageBox(text, CZorbPlexarUI::kRetryCancel, true) != CZorbPlexarUI::kAnswerRetry)
      return false;
    ui->ShowWaitCursor();
    CZorbTimer timer(kLockedFileWaitMs);
    timer.Start();
    while (!CZorbOS::CanUpdateFile(target) && !timer.IsDone()) {
      CZorbOS::AllowBackgroundProcessing();
      // A poll step on the program's clock, not a busy loop.
      platform::currentClock().sleepFor(CZorbTimer::kPollStepMs);
    }
    ui->HideWaitCursor();
  }
  return true;
}

int32_t CZorbLoomwright::ProcessConfigChanges(
    StepVector* steps, CZorbPlexarUI* ui, const CZorbConfigChanges* changes,
    CZorbPlexarUI::OperationType operation, CString& errorText, int32_t& errorCount,
    int32_t& warningCount, const CZorbExtension* extension, const CString& locale) {
  auto fail = [&](int32_t code) {
    ++errorCount;
    AddConfigError(errorText, code, CString());
    return 1;
  };
  if (steps == nullptr || ui == nullptr || changes == nullptr) {
    AddConfigError(errorText, Code::kBadChangeSetOrFile, CString());
    return 1;
  }
  if (changes->m_children.empty()) return 0;

  CString relative;
  changes->GetPath(relative);
  // A set names a file inside the configuration folder, never elsewhere.
  if (!IsContainedRelativePath(relative) || m_userFolder.GetLength() == 0)
    return fail(Code::kBadChangeSetOrFile);
  CString config;
  GetConfigurationFolderName(config);
  CZorbPath target = m_userFolder;
  target.Append(config);
  target.Append(relative);
  // Nothing is written through a link.
  {
    CZorbPath walked = m_userFolder;
    walked.Append(config);
    if (CZorbOS::IsFileSymbolicLink(walked)) return fail(Code::kBadChangeSetOrFile);
    const CString rest = relative.GetAt(0) == u':' ? relative.Mid(1) : relative;
    int32_t start = 0;
    while (start < rest.GetLength()) {
      int32_t end = rest.Find(u':', start);
      if (end < 0) end = rest.GetLength();
      walked.Append(rest.Mid(start, end - start));
      if (CZorbOS::IsFileSymbolicLink(walked)) return fail(Code::kBadChangeSetOrFile);
      start = end + 1;
    }
  }

  bool exists = CZorbOS::FileExists(target);
  bool created = false;
  bool copied = false;
  if (exists) {
    // A file that stays locked is refused by the probe below.
    (void)CZorbOS::MakeFileWritable(target);
    if (CZorbOS::IsSupportedMultiUserSystem() && !CZorbOS::CanUpdateFile(target))
      return fail(Code::kConfigFileNotUpdatable);
    if (!BackUpOnce(steps, target)) return fail(Code::kBadChangeSetOrFile);
  } else {
    if (!Applies(operation)) return 0;
    if (changes->AllowNewFile()) {
      if (!Run(steps, new CInstallNewConfigFile(target))) return fail(Code::kConfigFileMissing);
      created = true;
    } else if (MultiUserApplies()) {
      const CZorbPath sources[] = {m_appConfigFolder};
      for (const CZorbPath& folder : sources) {
        CZorbPath source = folder;
        source.Append(relative);
        if (!Run(steps, new CInstallCopyFile(source, target, false, false))) break;
      }
      if (!CZorbOS::FileExists(target)) return fail(Code::kConfigFileMissing);
      (void)CZorbOS::MakeFileWritable(target);  // the save below reports a file it cannot write
      exists = true;
      copied = true;
    } else {
      return fail(Code::kConfigFileMissing);
    }
  }

  CZorbXmlFile* const file = changes->CreateConfigFile(exists);
  if (file == nullptr) return fail(Code::kBadChangeSetOrFile);
  struct Owner {
    CZorbXmlFile* file;
    ~Owner() { delete file; }
  } owner{file};
  if (exists && file->Load(target, nullptr) != 0) return fail(Code::kBadChangeSetOrFile);

  std::vector<CZorbXmlObject*> children(changes->m_children.begin(), changes->m_children.end());
  const bool apply = Applies(operation);
  const bool filter = extension != nullptr && extension->m_multilingual && locale.GetLength() > 0;
  for (size_t i = 0; i < children.size(); ++i) {
    CZorbXmlObject* const entry = apply ? children[i] : children[children.size() - 1 - i];
    auto* const change = dynamic_cast<CZorbConfigChange*>(entry);
    if (change == nullptr) return fail(Code::kBadChangeSetOrFile);
    if (filter && !change->filterByLocale(locale)) continue;
    Code code;
    if (apply) {
      code = change->MakeChange(changes, file, nullptr);
      if (CZorbConfigChange::IsFailure(code)) return fail(code);
      code = change->PostMakeChange(code, this, steps);
    } else {
      code = change->UndoChange(changes, file, nullptr);
    }
    if (CZorbConfigChange::IsFailure(code)) return fail(code);
    if (CZorbConfigChange::IsWarning(code)) {
      ++warningCount;
      AddConfigError(errorText, code, CString());
    }
  }

  if ((exists || copied) && !WaitUntilWritable(ui, target)) return fail(Code::kConfigFileMissing);
  (void)created;
  // A file that was not written is a failure, so the backup is put back.
  if (file->Save(target) != 0) return fail(Code::kBadChangeSetOrFile);
  (void)CZorbOS::SetPermissions(target);  // the file is written; its owner is only tidied
  return 0;
}

int32_t CZorbLoomwright::ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui,
                                            const CZorbHelpChanges* changes,
                                            CZorbPlexarUI::OperationType operation,
                                            CString& errorText, int32_t& errorCount, int32_t&,
                                            const CZorbExtension*, const CString&) {
  auto fail = [&](int32_t code) {
    ++errorCount;
    AddHelpError(errorText, code, CString());
    return 1;
  };
  if (steps == nullptr || ui == nullptr || changes == nullptr) {
    AddHelpError(errorText, kHelpBadSet, CString());
    return 1;
  }
  if (changes->m_children.empty()) return 0;
  CString relative;
  changes->GetPath(relative);
  if (!IsContainedRelativePath(relative) || m_helpFolder.GetLength() == 0) return fail(kHelpBadSet);
  CZorbPath target = m_helpFolder;
  target.Append(relative);
  if (CZorbOS::IsFileSymbolicLink(target)) return fail(kHelpBadSet);

  (void)CZorbOS::MakeFileWritable(target);  // a locked file is refused below
  if (CZorbOS::IsSupportedMultiUserSystem() && !CZorbOS::CanUpdateFile(target)) {
    ++errorCount;
    AddConfigError(errorText, Code::kConfigFileNotUpdatable, CString());
    return 1;
  }
  if (!BackUpOnce(steps, target)) return fail(kHelpBadSet);
  CZorbXmlFile* const file = changes->CreateHelpFile();
  if (file == nullptr) return fail(kHelpBadSet);
  struct Owner {
    CZorbXmlFile* file;
    ~Owner() { delete file; }
  } owner{file};
  if (file->Load(target, nullptr) != 0) return fail(kHelpBadSet);

  const bool apply = Applies(operation);
  for (CZorbXmlObject* entry : changes->m_children) {
    auto* const change = dynamic_cast<CZorbHelpChange*>(entry);
    if (change == nullptr) return fail(kHelpBadSet);
    const int32_t code = apply ? change->MakeChange(changes, file, nullptr)
                               : change->UndoChange(changes, file, nullptr);
    if (code > 3) return fail(code);
  }
  if (!WaitUntilWritable(ui, target)) return fail(kHelpRetryRefused);
  if (file->Save(target) != 0) return fail(kHelpBadSet);
  (void)CZorbOS::SetPermissions(target);  // the file is written; its owner is only tidied
  return 0;
}

int32_t CZorbLoomwright::ProcessConfigChanges(StepVector* steps, CZorbPlexarUI* ui,
                                              const CZorbExtension* extension, CString& locale,
                                              CZorbPlexarUI::OperationType operation) {
  if (extension == nullptr) return 0;
  CString errorText;
  int32_t errors = 0;
  int32_t warnings = 0;
  const bool failed =
      AnySetFails(extension->m_configChanges, [&](const CZorbConfigChanges* changes) {
        return ProcessConfigChanges(steps, ui, changes, operation, errorText, errors, warnings,
                                    extension, locale);
      });
  if (errorText.GetLength() == 0) return failed ? -1 : 0;
  unsigned int title = 0;
  if (failed) {
    const unsigned int titles[] = {4043, 4147, 4146, 4145};
    title = titles[operation & 3];
  } else if (operation == CZorbPlexarUI::kInstall) {
    title = 4076;
  } else if (operation == CZorbPlexarUI::kEnable) {
    title = 4148;
  }
  if (ui != nullptr)
    ui->MessageBox(FinalMessage(errorText, title ? Text(title) : CString(), errors, warnings),
                   CZorbPlexarUI::kNotice, true);
  return failed ? -1 : 0;
}

int32_t CZorbLoomwright::ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui,
                                            const CZorbExtension* extension, CString& locale,
                                            CZorbPlexarUI::OperationType operation) {
  if (extension == nullptr) return 0;
  CString errorText;
  int32_t errors = 0;
  int32_t warnings = 0;
  const bool failed = AnySetFails(extension->m_helpChanges, [&](const CZorbHelpChanges* changes) {
    return ProcessHelpChanges(steps, ui, changes, operation, errorText, errors, warnings, extension,
                              locale);
  });
  if (errorText.GetLength() == 0) return failed ? -1 : 0;
  if (ui != nullptr)
    ui->MessageBox(FinalMessage(errorText, Text(failed ? 4043 : 4076), errors, warnings),
                   CZorbPlexarUI::kNotice, true);
  return failed ? -1 : 0;
}
