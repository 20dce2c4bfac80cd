#include "app/PXIconManager.h"

#include <filesystem>
#include <system_error>

namespace {

// Indexed by extension type.
constexpr const char* kResourceNames[] = {
    "Unknown",
    "Command",
    "Object",
    "Behavior",
    "BrowserProfile",
    "Translator",
    "Dictionary",
    "Encoding",
    "Floater",
    "Inspector",
    "JSExtension",
    "Query",
    "Template",
    "ThirdPartyTags",
    "Plugin",
    "ServerBehavior",
    "ServerFormat",
    "DataSource",
    "ServerModel",
    "Suite",
    "Report",
    "LumenButtonTemplate",
    "Quickmold",
    "Orvian",
    "Lesson",
    "Sample",
    "Utility",
    "Library",
    "Style",
    "Texture",
    "Nubbin",
    "Pattern",
    "KeyboardShortcuts",
    "ForgelineObject",
    "PublishTemplate",
    "LumenComponent",
    "LumenCustomActions",
    "LumenDynamicPanel",
    "LumenImporter",
    "LumenTemplate",
    "TagLibrary",
    "TabImporter",
    "ColoringScheme",
    "DocumentType",
    "CodeHint",
    "CodeSnippet",
    "Site",
    "Toolbar",
    "HelpBook",
    "Connection",
    "SampleContent",
    "Lumenlet",
    "smartshape",
    "commandpanel",
    "referencebook",
    "LumenHelpPanel",
    "LumenIncludeOrvian",
    "LumenBehavior",
    "LumenCommand",
    "LumenComponentQMC",
    "LumenDataElement",
    "LumenEffect",
    "LumenScreenType",
    "LumenTool",
    "",
};
constexpr int kTypes = static_cast<int>(sizeof(kResourceNames) / sizeof(kResourceNames[0]));
static_assert(kTypes == 65, "one name for each type 0 to 64");

}  // namespace

PXIconManager& PXIconManager::sharedInstance() {
  static PXIconManager* instance = new PXIconManager;
  return *instance;
}

const char* PXIconManager::resourceNameForType(int type) {
  if (type < 0 || type >= kTypes || kResourceNames[type][0] == '\0') return nullptr;
  return kResourceNames[type];
}

void PXIconManager::setResourceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_folder = folder;
}

const PXIcon* PXIconManager::iconForType(int type) {
  const char* name = resourceNameForType(type);
  if (name == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(m_mutex);
  std::unique_ptr<PXIcon>& icon = m_icons[name];
  if (!icon) {
    icon = std::make_unique<PXIcon>();
    icon->resourceName = name;
    icon->typeNumber = ++m_lastTypeNumber;
    std::error_code error;
    icon->hasImage = !m_folder.empty() &&
                     std::filesystem::is_regular_file(m_folder + "/" + name + ".icns", error);
  }
  return icon.get();
}
