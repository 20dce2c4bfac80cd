#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

class CZorbXmlFile;

// The changes of one extension to one host configuration file: an element
// such as configuration-changes whose children are the single changes
// (CZorbConfigChange) in document order. Each concrete set names its file,
// the folder that holds it below the host's configuration folder, and the
// file model that reads and writes it.
class CZorbConfigChanges : public CZorbXmlObject {
 public:
  CZorbConfigChanges();
  CZorbConfigChanges(const CZorbConfigChanges& other);
  ~CZorbConfigChanges() override;

  // A new, empty file model for this file; the caller owns it. exists is
  // true when the file exists and will be loaded; false when a new file is
  // being made.
  virtual CZorbXmlFile* CreateConfigFile(bool exists) const = 0;
  // The folder that holds the file, relative to the host's configuration
  // folder ("" is that folder itself).
  virtual void GetFolder(CString& folder) const = 0;
  virtual void GetFileName(CString& name) const = 0;
  // The id of the menu under which a missing last-resort menu is made;
  // the base gives "".
  virtual void GetLastResortAppendToID(CString& id) const;
  virtual bool UseReferenceFile() const;
  // Folder ":" file name (with an empty folder it begins with ":").
  virtual void GetPath(CString& path) const;
  // Whether the file may be created when the host has none; base false.
  virtual bool AllowNewFile() const;
  // Whether an insert whose target is missing goes to the end of the
  // file's first menubar or formats section; base false.
  virtual bool AppendIfLocationNotFound() const;
  // Sets id to the last-resort location and returns true; the base has
  // none (false, id unchanged).
  virtual bool GetLastResortId(CString& id) const;
  // Makes the last-resort location in file and returns it; base null.
  virtual CZorbXmlObject* CreateLastResortObject(CZorbXmlFile* file) const;
};
