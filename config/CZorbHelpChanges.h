#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

class CZorbXmlFile;

// The help changes of one extension for one host help file; its children
// are CZorbHelpChange objects in document order. The host supplies the
// folder in which GetPath is taken.
class CZorbHelpChanges : public CZorbXmlObject {
 public:
  CZorbHelpChanges();
  ~CZorbHelpChanges() override;

  // A new, empty file model for the help file; the caller owns it.
  virtual CZorbXmlFile* CreateHelpFile() const = 0;
  virtual void GetFolder(CString& folder) const = 0;
  virtual void GetFileName(CString& name) const = 0;
  virtual bool UseReferenceFile() const;
  // The folder, ":" when there is one, and the file name.
  virtual void GetPath(CString& path) const;
};
