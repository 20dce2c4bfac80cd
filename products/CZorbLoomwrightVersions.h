#pragma once

#include <memory>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "products/CZorbLoomwright.h"

class CZoltProductInfoFromArbor;

// The versions of the web host. Versions 3 and 4 are complete but nothing
// makes them; the engine makes 9, 10 and 11.
class CZorbLoomwright3 : public CZorbLoomwright {
 public:
  CZorbLoomwright3();
  uint32_t GetAppSignature() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetExecutableFileName(CString& out) const override;
  // Only "loomwright", always to the install folder.
  void MapTokens(const CString& destination, const CString& userFolder,
                 TokenMap& out) const override;
};

class CZorbLoomwright4 : public CZorbLoomwright3 {
 public:
  CZorbLoomwright4();
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetExecutableFileName(CString& out) const override;
};

class CZorbLoomwright6 : public CZorbLoomwright {
 public:
  CZorbLoomwright6();
  uint32_t GetAppSignature() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetExecutableFileName(CString& out) const override;
  void GetDebugExecutableFileName(CString& out) const override;
  bool SupportsMultiUser() const override;
  bool SupportsMultiUserAdmin() const override;
  // The old-format conversion with the server-folder flag set.
  void MassageExtension(CZorbExtension* extension) override;
  // Rewrites an extension written for an older host (or for the former
  // edition) in place (CZorbOldFormatConversion.cpp).
  static void MassageExtension(CZorbExtension* extension, bool serverFolderFlag);
};

class CZorbLoomwright7 : public CZorbLoomwright6 {
 public:
  CZorbLoomwright7();
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetApplicationFolderName(CString& out) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetBinFolderName(CString& out) const override;
  void GetExecutableFileName(CString& out) const override;
  void GetDebugExecutableFileName(CString& out) const override;
  void GetVersionAsString(CString& out) const override;
  // The family's folders; the super-user's own folder is the shared one.
  void SetPaths(const CString& installFolder, const CString& userName) override;
  // Source-control files go to the shared "Common" folder of the year.
  void MassageDestination(CString& path) const override;
  void MassageExtension(CZorbExtension* extension) override;

 protected:
  // The year that replaces "Configuration" in source-control destinations.
  virtual const char16_t* SourceControlYear() const;
};

class CZorbLoomwright8 : public CZorbLoomwright7 {
 public:
  CZorbLoomwright8();
  virtual uint32_t GetAppSignatureVersion() const;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetApplicationFolderName(CString& out) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetBinFolderName(CString& out) const override;
  void GetVersionAsString(CString& out) const override;

 protected:
  const char16_t* SourceControlYear() const override;
};

class CZorbLoomwright9 : public CZorbLoomwright8 {
 public:
  CZorbLoomwright9();
  uint32_t GetAppSignatureVersion() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetApplicationFolderName(CString& out) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetBinFolderName(CString& out) const override;
  void GetVersionAsString(CString& out) const override;
  bool IsAKInitializeSuccess() const override;
  bool IsProductReservedTokenString(const CString& token) const override;
  // With product information: its folders, the extension store and the
  // attribute readers; else the family's search alone.
  void Initialize() override;
  void MapTokens(const CString& destination, const CString& userFolder,
                 TokenMap& out) const override;
  void BuildBinPath(const CString& base, CZorbPath& out) const override;
  // This host reads no help changes: 0.
  int32_t ProcessHelpChanges(StepVector* steps, CZorbPlexarUI* ui, const CZorbExtension* extension,
                             CString& locale, CZorbPlexarUI::OperationType operation) override;
  using CZorbLoomwright::ProcessHelpChanges;
  // The UI's locale, else "defaultlocale", else the user's preferred
  // language, else "en_US".
  virtual void GetLanguageCode(CString& out) const;

 protected:
  // Folders of a host described by its configuration file.
  void processPhysicalParam();
  // No install folder, not initialised.
  void fail();

  bool m_akInitialized = true;
  CString m_unused;
};

class CZorbLoomwright10 : public CZorbLoomwright9 {
 public:
  // folder: a host added by path (its configuration file is read there);
  // empty for the one the product database knows.
  explicit CZorbLoomwright10(const CString& folder);
  ~CZorbLoomwright10() override;
  uint32_t GetAppSignatureVersion() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetApplicationFolderName(CString& out) const override;
  void GetBinFolderName(CString& out) const override;
  void GetVersionAsString(CString& out) const override;
  CZorbProductInfo* getProductInfo() override;
  void BuildBinPath(const CString& base, CZorbPath& out) const override;

 protected:
  struct Names {
    const char16_t* messagingName;
    const char16_t* name;
    const char16_t* version;
  };
  CZorbLoomwright10(const CString& folder, const Names& names);

  std::unique_ptr<CZoltProductInfoFromArbor> m_productInfo;
};

class CZorbLoomwright11 : public CZorbLoomwright10 {
 public:
  explicit CZorbLoomwright11(const CString& folder);
  uint32_t GetAppSignatureVersion() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetExecutableFileName(CString& out) const override;
  void GetVersionAsString(CString& out) const override;
};
