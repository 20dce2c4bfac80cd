// The engine's temporary folders.
#include "engine/CZorbPlexar.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"

int CZorbPlexar::createTempInstallPath(CZorbPath& out) {
  CString name = m_kxiFileName;
  name.Replace(u'.', u'_');
  if (name.GetLength()) {
    char16_t temp[kZorbMaxPath + 1] = {};
    CZorbOS::GetTempPath(temp, kZorbMaxPath + 1);
    out = CString(temp);
    out.Append(name);
  } else {
    // Without a name the folder would be the temporary folder itself.
    CString fresh;
    CZorbOS::getTempPathForFolderOperation(u"ins", fresh);
    out = fresh;
  }
  // A folder of that name left by an earlier run that did not end would mix
  // its files with the package's.
  if (CZorbOS::DirectoryExists(out) && !CZorbOS::DeleteDirectoryWithoutRollback(out, true))
    Logger::write(Logger::kError, u"Can't empty the install folder " + std::u16string(out.Get()),
                  __FILE__, __LINE__);
  if (!CZorbOS::DirectoryExists(out) && CZorbOS::CreateDirectory(out, true)) {
    out += u":";
    return 0;
  }
  ShowError(Message(kMsgFolderNotCreated, out));
  return -1;
}
