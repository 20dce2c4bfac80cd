#pragma once

// A host product for the engine's tests whose running state follows a
// script: each IsRunning() takes the next answer, the last one standing
// for every later call. Folders and names are set by the test; everything
// else gives the plainest answer.

#include <deque>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "products/CZorbProduct.h"

namespace enginetest {

class ScriptedHost : public CZorbProduct {
 public:
  explicit ScriptedHost(const char16_t* name) : m_name(name) {}

  // The answers of IsRunning, in order.
  void runs(std::deque<bool> answers) { m_running = std::move(answers); }
  int runningAsked() const { return m_asked; }

  void GetName(CString& out) const override { out = m_name; }
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override { out = base; }
  bool IsInstalled() const override { return m_installed; }
  bool IsRunning() const override {
    ++m_asked;
    if (m_running.empty()) return false;
    const bool answer = m_running.front();
    if (m_running.size() > 1) m_running.pop_front();
    return answer;
  }
  void GetInstallFolder(CString& out) const override { out = m_installFolder; }
  void GetExtensionsFolder(CString& out) const override { out = m_extensionsFolder; }
  bool BelongsTo(const char16_t* path) const override {
    const CString text(path);
    return m_installFolder.GetLength() > 0 &&
           text.Left(m_installFolder.GetLength()).CompareNoCase(m_installFolder) == 0;
  }
  bool CanDelete(const char16_t*) const override { return m_canDelete; }
  void Refresh() override {}
  bool RequiresRestart(CZorbExtension*, bool) const override { return false; }
  bool RequiresRestart(const char16_t*, bool) const override { return false; }
  void GetBazaarName(CString& out) const override { out.Empty(); }
  bool IsSupported() const override { return true; }
  void GetVersion(CZorbVersionNumber& out) const override { out = m_version; }
  bool Supports(const char16_t*, const char16_t*, const char16_t*) const override { return true; }
  void GetProductFamily(CString& out) const override { out = m_name; }
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override {
    low = m_version;
    high = m_version;
  }
  void MapTokens(const CString&, const CString&, TokenMap&) const override {}
  void GetProductLocale(CString& out) const override { out = m_locale; }

  CString m_name;
  CString m_installFolder;
  CString m_extensionsFolder;
  CZorbVersionNumber m_version;
  CString m_locale;
  bool m_installed = true;
  bool m_canDelete = true;

 private:
  mutable std::deque<bool> m_running;
  mutable int m_asked = 0;
};

}  // namespace enginetest
