#pragma once

// A host product whose answers a test sets, and the message texts the
// product tests read.

#include <map>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "products/CZorbProduct.h"

namespace producttest {

class TestProduct : public CZorbProduct {
 public:
  void GetName(CString& out) const override { out = name; }
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override {
    out = base;
    out.Append(u"Extensions:");
  }
  bool IsInstalled() const override { return installed; }
  void GetInstallFolder(CString& out) const override { out = installFolder; }
  void GetExtensionsFolder(CString& out) const override { out = extensionsFolder; }
  void GetSharedExtensionsFolder(CString& out) const override {
    if (sharedExtensionsFolder.GetLength()) out = sharedExtensionsFolder;
  }
  bool BelongsTo(const char16_t*) const override { return false; }
  bool CanDelete(const char16_t*) const override { return true; }
  void Refresh() override {}
  bool RequiresRestart(CZorbExtension*, bool) const override { return false; }
  bool RequiresRestart(const char16_t*, bool) const override { return false; }
  void GetBazaarName(CString& out) const override { out = name; }
  bool IsSupported() const override { return true; }
  void GetVersion(CZorbVersionNumber& out) const override { out = u"1.0"; }
  bool Supports(const char16_t*, const char16_t*, const char16_t*) const override { return true; }
  void GetProductFamily(CString& out) const override { out = family; }
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override {
    low = u"1.0";
    high = u"2.0";
  }
  void MapTokens(const CString&, const CString&, TokenMap& out) const override {
    mapUserDefinedMappedToken(out);
  }
  void GetExecutableFileName(CString& out) const override { out = executable; }
  void GetExecutablePackageName(CString& out) const override { out = executablePackage; }
  bool SupportsMultiUserAdmin() const override { return multiUserAdmin; }

  // The configuration file defines these names (lower case, "$" kept).
  void define(std::initializer_list<const char16_t*> names) {
    for (const char16_t* n : names) m_vornConfigTokens.SetAt(CString(n), CString());
  }
  void set(const char16_t* key, const char16_t* value) { m_privateTokens.SetAt(key, value); }

  CString name = u"Host";
  CString family = u"Hosts";
  bool installed = true;
  CString installFolder;
  CString extensionsFolder;
  CString sharedExtensionsFolder;
  CString executable;
  CString executablePackage;
  bool multiUserAdmin = false;
};

// Message texts that show their id and arguments: "4211[a|b]".
class MessageTexts {
 public:
  MessageTexts() : m_saved(CString::g_DataMap) {
    CString::g_DataMap[4185] = "4185[%s|%s|%s]";
    CString::g_DataMap[4193] = "4193[%s]";
    CString::g_DataMap[4211] = "4211[%s|%s]";
    CString::g_DataMap[4212] = "4212[%s|%s|%s]";
    CString::g_DataMap[4218] = "4218[%s|%s|%s|%s]";
  }
  ~MessageTexts() { CString::g_DataMap = m_saved; }
  MessageTexts(const MessageTexts&) = delete;
  MessageTexts& operator=(const MessageTexts&) = delete;

 private:
  std::map<uint32_t, std::string> m_saved;
};

inline std::u16string Error(const CZorbProduct& product) {
  CString text;
  if (!product.GetErrorString(text)) return std::u16string();
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

}  // namespace producttest
