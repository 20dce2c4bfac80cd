#pragma once

// A host product whose answers a test sets, for the tests of the engine
// and the commands that read its registry: name, family, group, installed and running states,
// folders, locale and the tokens MapTokens hands out. Every call of SetPaths and Initialize is
// counted.

#include <string>
#include <utility>

#include "foundation/CString.h"
#include "products/CZorbProduct.h"

namespace testsupport {

class TestProduct : public CZorbProduct {
 public:
  explicit TestProduct(std::u16string name, std::u16string family = u"", std::u16string group = u"")
      : m_name(std::move(name)), m_family(std::move(family)), m_group(std::move(group)) {}

  std::u16string m_name;
  std::u16string m_family;
  std::u16string m_group;
  std::u16string m_installFolder = u"Disk:Applications:Host:";
  std::u16string m_extensionsFolder;
  std::u16string m_locale;
  std::u16string m_massageSuffix;  // appended by MassageDestination
  bool m_installed = true;
  bool m_running = false;
  bool m_initialized = true;
  TokenMap m_tokens;
  int m_initializeCalls = 0;
  std::u16string m_pathsUser;  // the user of the last SetPaths

  void Initialize() override { ++m_initializeCalls; }
  bool IsAKInitializeSuccess() const override { return m_initialized; }
  void SetPaths(const CString& /*installFolder*/, const CString& user) override {
    m_pathsUser = user.Get();
  }
  void GetName(CString& out) const override { out = m_name.c_str(); }
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override { out = base; }
  bool IsInstalled() const override { return m_installed; }
  bool IsRunning() const override { return m_running; }
  void GetInstallFolder(CString& out) const override { out = m_installFolder.c_str(); }
  void GetExtensionsFolder(CString& out) const override { out = m_extensionsFolder.c_str(); }
  bool BelongsTo(const char16_t* /*path*/) const override { return false; }
  bool CanDelete(const char16_t* /*path*/) const override { return true; }
  void Refresh() override {}
  bool RequiresRestart(CZorbExtension* /*extension*/, bool /*flag*/) const override {
    return false;
  }
  bool RequiresRestart(const char16_t* /*path*/, bool /*flag*/) const override { return false; }
  void GetBazaarName(CString& out) const override { out = m_name.c_str(); }
  bool IsSupported() const override { return true; }
  void GetVersion(CZorbVersionNumber& out) const override { out = u"11.0"; }
  bool Supports(const char16_t* /*product*/, const char16_t* /*version*/,
                const char16_t* /*maxVersion*/) const override {
    return true;
  }
  void GetProductFamily(CString& out) const override { out = m_family.c_str(); }
  void GetGroupName(CString& out) const override { out = m_group.c_str(); }
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override {
    low = u"0";
    high = u"0";
  }
  void MapTokens(const CString& /*first*/, const CString& /*second*/,
                 TokenMap& out) const override {
    for (const auto& [key, value] : m_tokens) out.SetAt(key, value);
  }
  void MassageDestination(CString& path) const override { path += m_massageSuffix.c_str(); }
  void GetProductLocale(CString& out) const override { out = m_locale.c_str(); }
};

}  // namespace testsupport
