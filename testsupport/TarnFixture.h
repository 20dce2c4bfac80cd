#pragma once

// Product and installer databases of a test's own, built from SQL and
// through the product-configuration library's write function, with the
// library (libvesko_tarn.so of the laid-out program) pointed at them.
//
//   TempDir dir;
//   testsupport::TarnFixture tarn(dir.path());
//   tarn.registerApplication("lumen-9.0-en_us",
//                            {{"Specifier", "lumen-9.0-en_us"}, {"Path", "/Apps/Lumen.app"}});
//   tarn.addGroupEntry("wb/3/lumen-9.0");
//
// The keys an application may have are those of the messaging library's
// registry ("Specifier" or "ProductCode", "Path", "DisplayName",
// "ExecutableBasename", "RedirectTo", ...); a boolean is true only as
// "true". Link the target plexar_tarn_fixture (TEST_DEPS of the library).
//
// Everything that loads the library in the same process while the fixture
// lives reads these databases; the messaging library finds it once the
// test points it at the laid-out program:
//   Velt::ArborTalkUtils::SharedLib::setApplicationBundle(PLEXAR_BINARY_DIR "/Plexar.app");
// Failures are reported with ADD_FAILURE.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/DynamicLibrary.h"
#include "platform/tarn/Tarn.h"

namespace testsupport {

class TarnFixture {
 public:
  using Values = std::vector<std::pair<std::string, std::string>>;

  // The domain in which applications register for messaging, its
  // subdomain prefixes and the installer's state of installed payloads.
  static constexpr int kMessagingDomain = 1;
  static constexpr char kAppPrefix[] = "/vesko/arbortalk/";
  static constexpr char kGroupSubdomain[] = "/vesko/arbortalk/groups/";
  static constexpr int kInstalled = kTarnInstalled;

  // Makes both databases, empty, in folder.
  explicit TarnFixture(const std::string& folder);
  // Points the library back at its configured databases.
  ~TarnFixture();
  TarnFixture(const TarnFixture&) = delete;
  TarnFixture& operator=(const TarnFixture&) = delete;

  const std::string& productDatabase() const { return mProduct; }
  const std::string& installerDatabase() const { return mInstaller; }

  // SQL run as it stands, for rows that no write function makes.
  void productSql(const std::string& sql);
  void installerSql(const std::string& sql);

  // One product-database value, through the library's pdbSetDomainData.
  void setDomainData(int domain, const std::string& subdomain, const std::string& key,
                     const std::string& value);
  // An application registered for messaging: the values under the
  // subdomain kAppPrefix + name in the messaging domain, in this order.
  void registerApplication(const std::string& name, const Values& values);
  // A group entry such as "wb/3/arbor-2.0", stored under the next free key
  // "Group<n>" of the group subdomain.
  void addGroupEntry(const std::string& entry);

  // An installed payload (an id in braces, such as "{LUMEN}") that tells where the applications of
  // specifiers lie: configPath is its "KMTConfigPath" in the installer database, and each specifier
  // is one of its codes ("ArborTalkCode", "ArborTalkCode1",
  // ...) in the product database. An application registered without a
  // "Path" lies five components above configPath, under its
  // "ExecutableBasename": "/A/B/C/D/E/F/x.xml" gives "/A/B/<basename>.app".
  void registerPayload(const std::string& payload, const std::string& configPath,
                       const std::vector<std::string>& specifiers);

  // Installer payloads and their values.
  void addPayload(const std::string& payload, int installState = kInstalled);
  void addToCollection(const std::string& collection, const std::string& payload);
  void setPayloadData(const std::string& payload, int domain, const std::string& key,
                      const std::string& value);

  // The databases' modification times, in seconds since 1970. Every later
  // write sets them to the present again.
  void setModificationTimes(uint32_t product, uint32_t installer);

  // A function of the loaded library; null when it is not exported.
  void* function(const char* name) const { return mLibrary.symbol(name); }

  // The library the fixture loads.
  static std::string libraryPath();

 private:
  tarniSession writeSession();

  std::string mProduct;
  std::string mInstaller;
  platform::DynamicLibrary mLibrary;
  tarniSession mSession = nullptr;
  int mGroupKeys = 0;
};

}  // namespace testsupport
