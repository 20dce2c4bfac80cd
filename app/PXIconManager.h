#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

// One icon of an extension type: the resource it comes from and the type
// number it was registered under. A resource the bundle lacks gives an
// icon without an image.
struct PXIcon {
  std::string resourceName;
  uint32_t typeNumber = 0;
  bool hasImage = false;
};

// The icons of the extension types, each made on first use and kept.
class PXIconManager {
 public:
  static PXIconManager& sharedInstance();

  // The resource name of an extension type (0 to 64); null for any other
  // type, and for type 64, whose name is empty.
  static const char* resourceNameForType(int type);

  // The icon of the type, or null when the type has no resource name.
  // folder holds the "<name>.icns" resources; empty: none is looked for.
  const PXIcon* iconForType(int type);
  void setResourceFolder(const std::string& folder);

 private:
  std::mutex m_mutex;
  std::string m_folder;
  std::map<std::string, std::unique_ptr<PXIcon>> m_icons;
  // Registration numbers: the first icon gets 1.
  uint32_t m_lastTypeNumber = 0;
};
