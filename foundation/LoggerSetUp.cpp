// How the program's log comes to be: only with the marker file beside the
// executable, and then in the user's application-data folder.

#include <memory>
#include <string>

#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"

namespace {

bool MarkerPresent() {
  const auto wide = platform::utf8ToUtf16(gAppPath);
  if (!wide) return false;
  CString folder;
  if (!CZorbOS::convertPath(*wide, folder, false)) return false;
  if (folder.GetLength() > 0 && folder.GetAt(folder.GetLength() - 1) == u':')
    folder = folder.Left(folder.GetLength() - 1);
  return CZorbOS::FileExists(folder + u":PlexoLog.YES");
}

}  // namespace

Logger* Logger::setUpFromMarker() {
  CZorbOS::InitMultiUserMembers();
  if (!MarkerPresent()) return nullptr;

  CZorbPath appData;
  CString posix;
  if (!CZorbOS::GetCurrentUserAppDataPath(appData) || !CZorbOS::convertPath(appData, posix)) {
    // Logging was asked for but has no place: a log that writes nothing.
    return new Logger(std::unique_ptr<std::ostream>());
  }
  // The log's own folders are made, so that asking for a log gives one.
  CZorbPath logFolder(appData);
  logFolder.Append(u"Vesko:Plexar WB5");
  // A folder that cannot be made shows as a log file that cannot be
  // opened, which gives a log that writes nothing.
  (void)CZorbOS::CreateDirectory(logFolder, true);

  const auto utf8 =
      platform::utf16ToUtf8(std::u16string(posix.Get(), static_cast<size_t>(posix.GetLength())));
  if (!utf8) return new Logger(std::unique_ptr<std::ostream>());
  return new Logger(*utf8 + "/Vesko/Plexar WB5/Plexar.log");
}
