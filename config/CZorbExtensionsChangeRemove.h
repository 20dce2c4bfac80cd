#pragma once

#include "config/CZorbExtensionsChangeInsert.h"

// "extension-remove": takes the extension out of every line whose
// description equals the change's (of every line when it has none).
class CZorbExtensionsChangeRemove : public CZorbExtensionsChangeInsert {
 public:
  CZorbExtensionsChangeRemove();
  ~CZorbExtensionsChangeRemove() override;

  CZorbXmlObject* Clone() const override;
  // 0; 27 without a text file, 26 without an extension.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
};
