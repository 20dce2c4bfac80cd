#pragma once

#include <string>
#include <vector>

#include "app/CBrioCommand.h"

class CString;
class CZorbPlexar;

// "externalGetPlexoConfigPath": the program's configuration folder, its
// version, the configuration folder of its previous edition, the resource
// folders of both editions and the applications folder.
class CGetPlexoConfigPath : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalGetPlexoConfigPath"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;

  // The reply after the request id: "0" and six texts.
  static std::vector<std::string> BuildReply(const CZorbPlexar& engine);
  // "file://" + the POSIX form of the shared application-data folder with
  // `sub` (colon-separated) appended, + "/".
  static void getResourceFolder(CString& out, const char16_t* sub);
  // The shared application-data folder + "Vesko" + "Plexar2".
  static void getLastResourceFolderOSX(CString& out);
};
