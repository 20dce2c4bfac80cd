#pragma once

// The test product of testsupport whose running state follows a script:
// each IsRunning() takes the next answer, the last one standing for every
// later call. It also owns the paths below its install folder, and may
// refuse their deletion.

#include <deque>
#include <string>
#include <utility>

#include "foundation/CString.h"
#include "testsupport/TestProduct.h"

namespace enginetest {

class ScriptedHost : public testsupport::TestProduct {
 public:
  explicit ScriptedHost(std::u16string name) : TestProduct(std::move(name)) {}

  // The answers of IsRunning, in order.
  void runs(std::deque<bool> answers) { m_script = std::move(answers); }

  bool IsRunning() const override {
    if (m_script.empty()) return false;
    const bool answer = m_script.front();
    if (m_script.size() > 1) m_script.pop_front();
    return answer;
  }
  bool BelongsTo(const char16_t* path) const override {
    const CString text(path);
    const CString folder(m_installFolder.c_str());
    return folder.GetLength() > 0 && text.Left(folder.GetLength()).CompareNoCase(folder) == 0;
  }
  bool CanDelete(const char16_t*) const override { return m_canDelete; }

  bool m_canDelete = true;

 private:
  mutable std::deque<bool> m_script;
};

}  // namespace enginetest
