#pragma once

#include "config/CZorbConfigChange.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

class CZorbHelpChanges;
class CZorbXmlFile;

// One change to a host's help file, applied through the host's help path;
// results are those of the configuration changes.
class CZorbHelpChange : public CZorbXmlObject {
 public:
  using ErrorCode = CZorbConfigChange::ErrorCode;

  CZorbHelpChange();
  ~CZorbHelpChange() override;

  // True when locale is empty, this change has no language, or the two are
  // equal ignoring case.
  bool filterByLocale(const CString& locale) const override;

  virtual ErrorCode MakeChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                               const CZorbXmlFile* reference) const = 0;
  virtual ErrorCode UndoChange(const CZorbHelpChanges* changes, CZorbXmlFile* file,
                               const CZorbXmlFile* reference) const = 0;

  // Appends ` xml:lang="<language>"` when the change has one.
  void AppendLocaleAttribute(CString& out) const;

  // The change's xml:lang; empty for every language.
  CString m_locale;
};
