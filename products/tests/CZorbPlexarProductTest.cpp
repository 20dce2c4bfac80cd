#include "products/CZorbPlexarProduct.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "foundation/CZorbOS.h"
#include "testsupport/SandboxMachine.h"

namespace {

std::u16string str(const CString& text) {
  return std::u16string(text.Get(), static_cast<size_t>(text.GetLength()));
}

struct Folders {
  CString install, extensions, lastExtensions, lastInstaller, executable;
  CZorbVersionNumber version;
};

Folders foldersOf(const CZorbPlexarProduct& product) {
  Folders f;
  product.GetInstallFolder(f.install);
  product.GetExtensionsFolder(f.extensions);
  product.GetExtensionsFolderForLastVersion(f.lastExtensions);
  product.getLastVersionInstallerCreateFolder(f.lastInstaller);
  product.GetExecutableFileName(f.executable);
  product.GetVersion(f.version);
  return f;
}

}  // namespace

TEST(CZorbPlexarProduct, FindsItselfAndReportsTheFixedVersion) {
  testsupport::SandboxMachine machine;  // lays out Plexar.app, bundle version 5.0.0
  CZorbOS::InitMultiUserMembers();
  CZorbPlexarProduct product;
  product.Initialize();
  const Folders f = foldersOf(product);
  EXPECT_EQ(str(f.install), machine.colon("Applications") + u":");
  EXPECT_EQ(str(f.executable), u"Plexar");
  EXPECT_EQ(str(CString(f.version)), u"5.0.4");

  CZorbPath userData;
  ASSERT_TRUE(CZorbOS::GetCurrentUserAppDataPath(userData));
  const std::u16string base = str(userData);
  ASSERT_TRUE(CZorbOS::IsSupportedMultiUserSystem());
  {
    EXPECT_EQ(str(f.extensions), base + u"Vesko:Plexar WB5:Configuration:Extensions:");
    EXPECT_EQ(str(f.lastExtensions), base + u"Vesko:Plexar2:Configuration:Extensions:");
    EXPECT_EQ(str(f.lastInstaller), base + u"Vesko:Plexar2:");
  }
  EXPECT_TRUE(product.BelongsTo((str(f.install) + u"plexar.app:x").c_str()));
  EXPECT_FALSE(product.BelongsTo(u"Other:Applications:"));
}

TEST(CZorbPlexarProduct, WithoutTheApplicationTheVersionStaysFixedAndNoPathsAreSet) {
  testsupport::SandboxMachine machine;
  CZorbOS::InitMultiUserMembers();
  std::filesystem::remove_all(machine.root() + "/Applications/Plexar.app");
  CZorbPlexarProduct product;
  product.Initialize();
  const Folders f = foldersOf(product);
  EXPECT_EQ(str(CString(f.version)), u"5.0.4");
  EXPECT_EQ(str(f.install), u"");
  EXPECT_EQ(str(f.extensions), u"");
  EXPECT_EQ(str(f.executable), u"");
  EXPECT_FALSE(product.BelongsTo(u"Disk:Applications:"));
  EXPECT_FALSE(product.BelongsTo(u""));
  EXPECT_TRUE(product.IsInstalled());
}

TEST(CZorbPlexarProduct, SupportsItsNameFromItsVersionDown) {
  testsupport::SandboxMachine machine;
  CZorbOS::InitMultiUserMembers();
  CZorbPlexarProduct product;
  product.Initialize();
  const struct {
    const char16_t* name;
    const char16_t* version;
    bool supported;
  } cases[] = {
      {u"Plexar", u"5.0", true},      {u"PLEXAR", u"5.0.4", true},  {u"plexar studio", u"4", true},
      {u"Plexar", u"5.0.5", false},   {u"Plexa", u"1", false},      {u"The Plexar", u"1", false},
      {u"Plexar", u"6", false},       {u"Plexar", u"65541", false},  // not 5: no wrapping
      {u"Plexar", u"5.65536", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(product.Supports(c.name, c.version, nullptr), c.supported)
        << ::testing::PrintToString(std::u16string(c.name)) << " "
        << ::testing::PrintToString(std::u16string(c.version));
}

TEST(CZorbPlexarProduct, FolderRulesForANamedUserAndASingleUserSystem) {
  testsupport::SandboxMachine machine;
  CZorbOS::InitMultiUserMembers();
  CZorbPlexarProduct product;
  product.SetPaths(u"Disk:Apps:", CString());
  CZorbPath out;
  product.GetExtensionsFolderFor(CZorbPath(u"Disk:Base:"), out);
  EXPECT_EQ(str(out), u"Disk:Base:Configuration:Extensions:");
  product.BuildBinPath(u"Disk:Data:", out);
  EXPECT_EQ(str(out), u"Disk:Data:Vesko:Plexar WB5:");

  CString name;
  product.GetName(name);
  EXPECT_EQ(str(name), u"Plexar");
  EXPECT_FALSE(product.CanDelete(u"Disk:Apps:x"));
  EXPECT_FALSE(product.RequiresRestart(u"Disk:Apps:x", true));
  EXPECT_EQ(product.GetAppSignature(), platform::fourCC("PqR5"));
}
