#pragma once

#include "config/CZorbConfigChange.h"

class CZorbTextConfigFile;

// A change to the host's FTP extension map: one line per extension,
// "extension TAB creator TAB file type TAB ASCII|BINARY", sorted by
// extension.
class CZorbFTPExtensionMapChange : public CZorbConfigChange {
 public:
  CZorbFTPExtensionMapChange();
  ~CZorbFTPExtensionMapChange() override;

  // Removes the first line for the extension (ignoring case); a line whose
  // extension merely ends with it stays. False when there is none.
  static bool RemoveMapping(CZorbTextConfigFile& file, const CString& extension);
};
