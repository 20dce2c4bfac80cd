#pragma once

#include "config/HostFileForm.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlFile.h"

// Any XML configuration file of a host as a tree of CZorbXmlObject nodes,
// written back with its comments, CDATA sections and other markup kept.
// Its children are the document's top-level nodes in file order.
//
// Ampersands and apostrophes stand bare in these files: the reader escapes
// the raw ampersands for expat, so the tree keeps entity references as
// written, and Save writes texts and values as the tree holds them, so a
// host's file comes back as it was read.
class CZorbGenericXmlFile : public CZorbXmlFile {
 public:
  CZorbGenericXmlFile();
  // A deep copy: tree, declaration, encoding and path.
  CZorbGenericXmlFile(const CZorbGenericXmlFile& other);
  ~CZorbGenericXmlFile() override;

  CZorbXmlObject* Clone() const override;
  // The file itself has no tag and writes nothing: Save writes its children.
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // Reads the document at path (a colon path) into this file, replacing
  // what it held: 0, or the parser's non-zero result. A document that
  // cannot be read or parsed leaves the file empty, and Save refuses to
  // write it until a later Load succeeds.
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* errors) override;
  // Writes the declaration that was read (if any) and each top-level node
  // on its own lines (an element without text or children in the form it
  // was read in, a new one in the form of the file's first such element), in the encoding, line
  // ends and mark that were read (a new file: carriage returns and a mark), replacing the file as
  // one step: 0, or -1 when nothing could be written. Only "<" and the double quote are escaped in
  // values; CDATA sections are written as they were read.
  int Save(const char16_t* path) override;

  // The path of the last Load.
  CString m_path;

 private:
  HostFileForm m_form;
  // How elements without text or children that the file did not hold are
  // written: as the file's first such element was.
  EmptyForm m_newEmptyForm = EmptyForm::kSpaced;
  bool m_loadFailed = false;
};
