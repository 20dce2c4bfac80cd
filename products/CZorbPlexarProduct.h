#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "platform/os/FourCharCode.h"
#include "products/CZorbProduct.h"

// The program itself as a product: extensions can be installed into it.
// Its folders are those of the current user (or of the application on a
// single-user system), plus the folders of the previous program version,
// from which the engine migrates extensions.
class CZorbPlexarProduct : public CZorbProduct {
 public:
  static constexpr uint32_t kSignature = platform::fourCC("PqR5");
  // What the product reports whatever its bundle says.
  static constexpr char16_t kFixedVersion[] = u"5.0.4";
  static constexpr char16_t kBinFolderName[] = u"Plexar WB5";
  // The previous version's folder below the same parent.
  static constexpr char16_t kBinFolderMarker[] = u":Plexar WB5";
  static constexpr char16_t kLastBinFolderMarker[] = u":Plexar2";

  CZorbPlexarProduct();
  ~CZorbPlexarProduct() override;

  void Initialize() override;
  void Terminate() override;
  void Refresh() override;
  void SetPaths(const CString& installFolder, const CString& userName) override;
  void GetName(CString& out) const override;
  void GetConfigurationFolderName(CString& out) const override;
  void GetExtensionsFolderFor(const CZorbPath& base, CZorbPath& out) const override;
  bool IsInstalled() const override;
  bool IsRunning() const override;
  bool IsSupported() const override;
  void GetInstallFolder(CString& out) const override;
  void GetExtensionsFolder(CString& out) const override;
  void GetVersion(CZorbVersionNumber& out) const override;
  void GetExecutableFileName(CString& out) const override;
  bool BelongsTo(const char16_t* path) const override;
  bool CanDelete(const char16_t* path) const override;
  bool RequiresRestart(CZorbExtension* extension, bool flag) const override;
  bool RequiresRestart(const char16_t* path, bool flag) const override;
  void GetBazaarName(CString& out) const override;
  bool Supports(const char16_t* product, const char16_t* version,
                const char16_t* maxVersion) const override;
  void GetProductFamily(CString& out) const override;
  uint32_t GetAppSignature() const override;
  void GetAppVersionRange(CZorbVersionNumber& low, CZorbVersionNumber& high) const override;
  bool SupportsMultiUser() const override;
  bool SupportsMultiUserAdmin() const override;
  void GetBinFolderName(CString& out) const override;
  // base + "Vesko" + "Plexar WB5" + ":".
  void BuildBinPath(const CString& base, CZorbPath& out) const override;
  void MapTokens(const CString& first, const CString& second, TokenMap& out) const override;

  virtual void GetExtensionsFolderForLastVersion(CString& out) const;
  virtual int32_t GetAppSignatureVersion() const;
  virtual void getLastVersionInstallerCreateFolder(CString& out) const;

 private:
  CString m_name = u"Plexar";
  CZorbPath m_userBinFolder;
  CZorbPath m_configurationFolder;
  CZorbPath m_sharedExtensionsFolder;
  CZorbPath m_appConfigurationFolder;
  CZorbPath m_lastVersionExtensionsFolder;
  bool m_pathsForNamedUser = false;
  CZorbPath m_installFolder;
  CZorbPath m_extensionsFolder;
  CZorbPath m_lastVersionInstallerFolder;
  CZorbVersionNumber m_version;
  CString m_executableFileName;
};
