#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbXmlObject.h"

class CZorbConfigChanges;
class CZorbExtensionInstallStep;
class CZorbProduct;
class CZorbXmlFile;

// One change to a host configuration file, with its apply and its undo.
// Concrete changes name the element they were read from as their tag and
// write themselves back as that element.
class CZorbConfigChange : public CZorbXmlObject {
 public:
  // The result of every change. Above 9 is a failure that stops the set;
  // 3 to 8 are warnings; 0, 1, 2 and 9 pass silently.
  enum ErrorCode : int32_t {
    kNoError = 0,
    kShortcutListMissing = 4,   // a shortcut insert into a list that is not there
    kHelpBooksRootMissing = 5,  // a help-book change on a file without its root
    kPlacedInLastResort = 6,    // a menu insert put into the last-resort menu
    kPlacedInFallbackToolbar = 7,
    kPlacedInFallbackCategory = 8,
    kMenuChangeFailed = 10,  // target or place missing, or a bad file
    kSourceFormatFileMissing = 11,
    kConfigFileMissing = 12,
    kSourceFormatElementInsertFailed = 14,
    kSourceFormatElementRemoveFailed = 15,
    kSourceFormatAttributeInsertFailed = 16,
    kSourceFormatAttributeRemoveFailed = 17,
    kSourceFormatElementSectionMissing = 19,
    kSourceFormatAttributeSectionMissing = 20,
    kSourceFormatTagNotAlone = 21,
    kFTPExtensionMapInsertFailed = 22,
    kFTPExtensionMapRemoveFailed = 23,
    kExtensionsInsertNoExtension = 24,
    kExtensionsInsertNoDescription = 25,
    kExtensionsRemoveNoExtension = 26,
    kExtensionsFileMissing = 27,
    kFTPExtensionMapFileMissing = 28,
    kDocumentTypeChangeFailed = 29,
    kTagLibraryChangeFailed = 30,
    kToolbarChangeFailed = 31,
    kInsertbarChangeFailed = 32,
    kConfigFileNotUpdatable = 33,
    kBadChangeSetOrFile = 34,  // a missing product, list, set, model or change; a failed load
  };

  // The places an insert can name relative to its target.
  enum Position : int32_t { kInsertBefore = 1, kInsertAfter = 2, kPrependTo = 3, kAppendTo = 4 };

  static bool IsFailure(int32_t code) { return code > 9; }
  static bool IsWarning(int32_t code) { return code >= 3 && code <= 8; }

  CZorbConfigChange();
  // The XML object's deep copy and the locale.
  CZorbConfigChange(const CZorbConfigChange& other);
  ~CZorbConfigChange() override;

  // True when locale is empty, this change has no locale, or the two are
  // equal ignoring case.
  bool filterByLocale(const CString& locale) const override;

  // Applies the change to the loaded file model. reference is a model of
  // the host's original file, or null; it is never used for placement.
  virtual ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                               const CZorbXmlFile* reference) const = 0;
  // Reverses what MakeChange did.
  virtual ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                               const CZorbXmlFile* reference) const = 0;
  // Called after a MakeChange that did not fail; may append install steps
  // to steps (and run them). The base returns code unchanged.
  virtual ErrorCode PostMakeChange(ErrorCode code, const CZorbProduct* product,
                                   CZorbTypedVector<CZorbExtensionInstallStep*>* steps);

  // Appends ` xml:lang="<locale>"` when the change has a locale.
  void AppendLocaleAttribute(CString& out) const;

  // The change's xml:lang; empty for every locale.
  CString m_locale;
};
