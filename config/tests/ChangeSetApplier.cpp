#include "config/tests/ChangeSetApplier.h"

#include <filesystem>
#include <memory>

#include "config/CZorbConfigChange.h"
#include "config/CZorbConfigChanges.h"
#include "foundation/CZorbXmlFile.h"
#include "platform/os/ColonPath.h"
#include "transaction/CZorbExtensionInstallStep.h"

namespace configtest {

namespace {

bool Exists(const std::u16string& colonPath) {
  const auto posix = platform::colonToPosix(colonPath);
  std::error_code ec;
  return posix && std::filesystem::is_regular_file(*posix, ec);
}

}  // namespace

ApplyReport ApplyChangeSet(const CZorbConfigChanges& set, const std::u16string& configFolder,
                           Operation operation, const CString& locale) {
  ApplyReport report;
  if (set.m_children.empty()) {
    report.skipped = true;
    return report;
  }
  CString relative;
  set.GetPath(relative);
  std::u16string path = configFolder;
  if (relative.GetAt(0) != u':') path += u':';
  path += relative.Get();

  const bool undo = operation == Operation::Remove || operation == Operation::Disable;
  const bool exists = Exists(path);
  if (!exists && undo) {
    report.skipped = true;
    return report;
  }
  if (!exists && !set.AllowNewFile()) {
    report.errors = 1;
    report.firstError = CZorbConfigChange::kConfigFileMissing;
    return report;
  }

  std::unique_ptr<CZorbXmlFile> file(set.CreateConfigFile(exists));
  if (!file) {
    report.errors = 1;
    report.firstError = CZorbConfigChange::kBadChangeSetOrFile;
    return report;
  }
  if (exists) {
    report.loadResult = file->Load(path.c_str(), nullptr);
    if (report.loadResult != 0) {
      report.errors = 1;
      report.firstError = CZorbConfigChange::kBadChangeSetOrFile;
      return report;
    }
  }

  CZorbTypedVector<CZorbExtensionInstallStep*> steps;
  std::vector<const CZorbXmlObject*> order(set.m_children.begin(), set.m_children.end());
  if (undo) order.assign(set.m_children.rbegin(), set.m_children.rend());
  for (const CZorbXmlObject* child : order) {
    auto* change = dynamic_cast<const CZorbConfigChange*>(child);
    if (!change) {
      ++report.errors;
      report.firstError = CZorbConfigChange::kBadChangeSetOrFile;
      break;
    }
    if (locale.GetLength() > 0 && !change->filterByLocale(locale)) continue;
    CZorbConfigChange::ErrorCode code;
    if (undo) {
      code = change->UndoChange(&set, file.get(), nullptr);
    } else {
      code = change->MakeChange(&set, file.get(), nullptr);
      if (!CZorbConfigChange::IsFailure(code))
        code = const_cast<CZorbConfigChange*>(change)->PostMakeChange(code, nullptr, &steps);
    }
    report.results.push_back(code);
    if (CZorbConfigChange::IsFailure(code)) {
      ++report.errors;
      report.firstError = code;
      break;
    }
    if (CZorbConfigChange::IsWarning(code)) ++report.warnings;
  }

  report.saveResult = file->Save(path.c_str());
  report.saved = report.saveResult == 0;
  for (CZorbExtensionInstallStep* step : steps) {
    step->Release();
    delete step;
  }
  return report;
}

}  // namespace configtest
