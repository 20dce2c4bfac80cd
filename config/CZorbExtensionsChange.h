#pragma once

#include "config/CZorbConfigChange.h"

class CZorbTextConfigFile;

// A change to the host's file-extension list: one line per kind of file,
// its extensions separated by commas, a colon, then the description.
class CZorbExtensionsChange : public CZorbConfigChange {
 public:
  CZorbExtensionsChange();
  ~CZorbExtensionsChange() override;

  // Removes the extension from every line whose description equals
  // description ignoring case (from every line when it is empty); a line
  // left without extensions goes. Longer extensions that contain it stay.
  static void RemoveExtension(CZorbTextConfigFile& file, const CString& extension,
                              const CString& description);
};
