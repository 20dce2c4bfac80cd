#include "app/CGetPlexoConfigPath.h"

#include <string>

#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"
#include "products/CZorbPlexarProduct.h"

namespace {

std::string utf8(const CString& text) {
  return platform::utf16ToUtf8Lossy(text.Get());
}

void log(Logger::Level level, const std::string& text, const CString& value, int line) {
  Logger::write(level, text + utf8(value), __FILE__, line);
}

// The folder above a folder path, with its ":" ("A:B:C:" gives "A:B:").
CString parentFolder(CString folder) {
  if (folder.GetLength() && folder.GetAt(folder.GetLength() - 1) == u':')
    folder.Delete(folder.GetLength() - 1, 1);
  return CZorbPath(folder).GetFolder();
}

}  // namespace

void CGetPlexoConfigPath::getResourceFolder(CString& out, const char16_t* sub) {
  out = CString();
  CZorbPath folder;
  if (!CZorbOS::GetCommonAppPath(folder)) return;
  folder.Append(sub);
  CString posix;
  if (!CZorbOS::convertPath(folder, posix)) return;
  out = CString(u"file://") + posix + u"/";
}

void CGetPlexoConfigPath::getLastResourceFolderOSX(CString& out) {
  CZorbPath folder;
  if (CZorbOS::GetCommonAppPath(folder)) {
    folder.Append(u"Vesko");
    folder.Append(u"Plexar2");
  }
  out = folder;
}

std::vector<std::string> CGetPlexoConfigPath::BuildReply(const CZorbPlexar& engine) {
  std::vector<std::string> reply = {"0"};
  const auto* own = dynamic_cast<const CZorbPlexarProduct*>(engine.OwnProduct());

  // The configuration folder is the one above "Configuration:Extensions:".
  CString extensions;
  if (own) own->GetExtensionsFolder(extensions);
  const CString folder =
      extensions.GetLength() ? parentFolder(parentFolder(extensions)) : CString();
  CString posix;
  if (!CZorbOS::convertPath(folder, posix))
    log(Logger::kFatal, "Get Plexo config path failed: Convert path error", folder, __LINE__);
  reply.push_back(utf8(posix));
  log(Logger::kDebug, "GetPlexo Config Path: ", posix, __LINE__);

  CZorbVersionNumber version;
  if (own) own->GetVersion(version);
  reply.push_back(utf8(CString(version)));
  log(Logger::kDebug, "Version number is:", CString(version), __LINE__);

  CString last;
  if (own) own->getLastVersionInstallerCreateFolder(last);
  CString lastFolder = last;
  bool lastExists = false;
  if (lastFolder.GetLength()) {
    lastFolder.Delete(lastFolder.GetLength() - 1, 1);
    lastExists = CZorbOS::DirectoryExists(lastFolder);
    if (lastExists) log(Logger::kInfo, "Plexo's last version exists", lastFolder, __LINE__);
  }
  // Making the POSIX form creates the folder; one that was not there is
  // removed again below.
  CString lastPosix;
  if (!CZorbOS::convertPath(last, lastPosix))
    log(Logger::kFatal, "Get Plexo Last Version's config path failed: Convert path error", last,
        __LINE__);
  reply.push_back(utf8(lastPosix));
  if (lastFolder.GetLength() && !lastExists) {
    log(Logger::kInfo, "Plexo's last version does not exist", lastFolder, __LINE__);
    (void)CZorbOS::DeleteDirectory(lastFolder, true);
  }

  CString resources;
  getResourceFolder(resources, u"Vesko:Plexar WB5");
  reply.push_back(utf8(resources));

  CString lastResources;
  getLastResourceFolderOSX(lastResources);
  const bool lastResourcesExist =
      lastResources.GetLength() && CZorbOS::DirectoryExists(lastResources);
  if (lastResourcesExist)
    log(Logger::kInfo, "Plexo's last version's reource folder does exists", lastResources,
        __LINE__);
  getResourceFolder(resources, u"Vesko:Plexar2");
  reply.push_back(utf8(resources));
  if (lastResources.GetLength() && !lastResourcesExist) {
    log(Logger::kInfo, "Plexo's last version's reource folder does not exist", lastResources,
        __LINE__);
    (void)CZorbOS::DeleteDirectory(lastResources, true);
  }

  reply.push_back("/Applications");
  return reply;
}

void CGetPlexoConfigPath::execute() {
  IEngine* engine = CTAMBFrontController::m_manager;
  const CZorbPlexar* plexar = engine ? engine->GetPlexar() : nullptr;
  sendReply(plexar ? BuildReply(*plexar) : std::vector<std::string>{"0"});
}
