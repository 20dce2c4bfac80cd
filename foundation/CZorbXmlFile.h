#pragma once

#include <cstdint>
#include <string>

#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbXmlObject.h"

// A whole XML document bound to a text encoding; the base of every file
// model, each of which supplies Load.
class CZorbXmlFile : public CZorbXmlObject {
 public:
  CZorbXmlFile();
  CZorbXmlFile(const CZorbXmlFile& other);
  CZorbXmlFile& operator=(const CZorbXmlFile& other);
  ~CZorbXmlFile() override;

  using CZorbXmlObject::Save;
  // Writes BuildXml from level 0 through DoSave; -1 (the file untouched) for
  // a tree nested deeper than kMaxDepth. Never throws.
  [[nodiscard]] virtual int Save(const char16_t* path);
  // Reads the document at path into this object; 0 or a non-zero code.
  // Models may add messages to the list, which may be null.
  virtual int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) = 0;

  // Writes the byte-order mark of m_encoding and the text in it to path.
  // The file is replaced as one step: a temporary sibling is written,
  // flushed and renamed over it, so any failure leaves the old file as it
  // was and gives -1. A read-only file is made writable first; a new file
  // gets the type 'TEXT' and creator 'ttxt'.
  [[nodiscard]] int DoSave(const char16_t* path, const CZorbString& text);

  // DoSave with an encoding of the caller's.
  [[nodiscard]] static int WriteDocument(const char16_t* path, const CString& text, uint32_t encoding);
  // Logs why nothing was saved to path; -1.
  static int RefuseSave(const char16_t* path, const std::string& why);
  // The same, with the encoding's byte-order mark only when byteOrderMark
  // is set (a host's file keeps the form it had). folderSyncError, when
  // given, gets the errno of the folder's flush after the rename (0 when
  // it was flushed); a save that gave 0 has its new file in place either way.
  [[nodiscard]] static int WriteDocument(const char16_t* path, const CString& text,
                                         uint32_t encoding, bool byteOrderMark,
                                         int* folderSyncError = nullptr);

  // The declaration line as read; models that keep it write it first.
  CString m_xmlDecl;
  // The encoding Save writes.
  uint32_t m_encoding;
};
