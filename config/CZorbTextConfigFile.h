#pragma once

#include "config/CZorbConfigFile.h"
#include "config/HostFileForm.h"
#include "foundation/CString.h"

// A host text file ("Extensions.txt" and the like) held whole as text. It
// is read and written in the object's text encoding, or in the encoding of
// the byte-order mark the file starts with; a save keeps the file's mark
// (or its lack of one) and whether its last line ends.
class CZorbTextConfigFile : public CZorbConfigFile {
 public:
  CZorbTextConfigFile();
  CZorbTextConfigFile(const CZorbTextConfigFile& other);
  ~CZorbTextConfigFile() override;

  CZorbXmlObject* Clone() const override;

  // Purges, then reads the whole file into the content and stores the
  // path: 0, or -1 when it cannot be opened (content and path stay empty).
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* errors) override;
  // Writes the content, behind the encoding's byte-order mark when the file
  // had one (a new file always), replacing the file as one step: 0, or -1
  // when it cannot be written, or when the last Load failed (so a file that
  // could not be read is never replaced by an empty one).
  int Save(const char16_t* path) override;

  void Purge();
  bool HasPath() const { return m_path.GetLength() > 0; }
  bool HasContent() const { return m_content.GetLength() > 0; }

  // The whole text as read, line ends included.
  CString m_content;
  CString m_path;

 private:
  HostFileForm m_form;
  bool m_loadFailed = false;
};
