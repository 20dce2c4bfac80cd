#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "extension/KxiFormat.h"
#include "foundation/CString.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbXMLParser.h"

class CZorbExtension;
class CZorbExtensionFile;
class CZorbExtensionFiles;
class CZorbXmlObject;

// Reads a description (KXI file) into an extension: the line fix-ups before
// the document is parsed, the events that build the extension's fields,
// children and change sets, the expansion of folder entries from disk, and
// the errors and warnings found on the way. One reader serves one load.
//
// The nesting of the document is kept on the extension's stack of open
// elements (m_openElements): an element that opens pushes its object, its
// end tag pops it again.
class CZorbExtensionXMLParser : public CZorbXMLParser {
 public:
  // The largest description read, in bytes. Real ones take a few hundred
  // kilobytes; a load needs many times the file's size in memory.
  static constexpr int64_t kMaxDescriptionBytes = 16 << 20;

  explicit CZorbExtensionXMLParser(CZorbExtension* extension);
  ~CZorbExtensionXMLParser() override;
  CZorbExtensionXMLParser(const CZorbExtensionXMLParser&) = delete;
  CZorbExtensionXMLParser& operator=(const CZorbExtensionXMLParser&) = delete;

  // Reads the description at path (a colon path): ParseFile's result. A
  // file larger than kMaxDescriptionBytes is not read: -1, with an error
  // that names it and the limit.
  int ParseDescription(const char16_t* path);

  // A line holding "/ >" ends the parse with -3. Otherwise, outside CDATA
  // sections only: a bare word dynamic that stands as an attribute of a
  // start tag becomes dynamic="true", and the characters descriptions write
  // unescaped are escaped (CZorbExtension::ConvertBadXml). A section's text
  // is left as it is, also where the section shares its line with markup.
  int OnPreProcessLine(CString& line) const override;
  int OnPreProcessCDATALine(CString& line) const override;

  void OnElementStart(const char16_t* name, const char16_t** attributes) override;
  void OnElementEnd(const char16_t* name) override;
  void OnCData(const char16_t* text, int length) override;
  void OnCDataSectionStart() override;
  void OnCDataSectionEnd() override;
  // The current attribute's value with every double quote made an apostrophe.
  const char16_t* GetValue() override;

  // The attributes of the extension's description element.
  void ParseAttributesOfDescriptionTag(const char16_t** attributes);
  // Error 4194 with the allowed values, respectively with "true,false".
  void setErrorStringForAttribute(const char16_t* attribute, const char16_t* element,
                                  const CString& value, const char16_t* allowed);
  void setErrorStringForConditionalAttribute(const char16_t* attribute, const char16_t* element,
                                             const CString& value);
  // A "file" element: one entry, or one per file and empty folder when its
  // source names a folder of the package.
  void AppendPossbileFilesFromDirectory(const char16_t* element, const char16_t** attributes);
  // Whether every folder on the way from base to source (in colon form,
  // see SourceToColon) is a folder; each is looked up once per reader.
  bool FoldersOnTheWayExist(const CString& base, const CString& source);
  // The files and the empty folders below folder, as paths relative to base
  // with "/" between their parts; ".DS_Store" is never listed and linked
  // folders are neither entered nor listed. A folder that cannot be listed
  // adds error 4229 and nothing else.
  void GetFileList(CZorbTypedList<CZorbString>& files, CZorbTypedList<CZorbString>& folders,
                   const CString& folder, const CString& base);
  // A file entry's source (a path inside the package) in colon form. A
  // source written with "/" names the items as they lie on disk, so a ":"
  // in it belongs to a name; one without "/" keeps ":" as a separator, as
  // older descriptions used it. A backslash and the yen sign separate
  // too.
  static CString SourceToColon(const CString& source);
  // One clone of the template per path, appended to the list.
  static void appendFileObjectFromFolder(const CZorbExtensionFile& entry, CZorbExtensionFiles& list,
                                         const CZorbTypedList<CZorbString>& paths);
  static void appendFolderObjectFromFolder(const CZorbExtensionFile& entry,
                                           CZorbExtensionFiles& list,
                                           const CZorbTypedList<CZorbString>& paths);

  // Whether the document's root element was read, and whether its end tag was.
  bool RootSeen() const { return m_rootSeen; }
  bool RootClosed() const { return m_rootClosed; }

  CZorbExtension* m_extension;
  bool m_inComment = false;
  bool m_inDescription = false;
  bool m_inUIAccess = false;
  bool m_inCDATA = false;
  bool m_inLicense = false;
  bool m_inDefaultLanguage = false;
  bool m_rootSeen = false;
  // One text per unknown attribute.
  CZorbTypedList<CZorbString> m_warnings;
  // One text per invalid value or folder that cannot be listed.
  CZorbTypedList<CZorbString> m_errors;

 private:
  struct TagScan;

  int FixLine(CString& line) const;
  kxi::Messages Messages();
  // The current attribute's value, taken from the cursor.
  CString TakeValue();
  // The open node, or null.
  CZorbXmlObject* Top() const;
  void Push(CZorbXmlObject* node);
  // Appends node to the open node's children and opens it; without an open
  // node the reader keeps it until the end of the load.
  void AttachAndOpen(CZorbXmlObject* node);
  void Attach(CZorbXmlObject* node);

  void ReadRoot(const char16_t* name, const char16_t** attributes);
  void ReadTextElement(const char16_t* name, const char16_t** attributes, CString* resid);
  void ReadAuthor(const char16_t* name, const char16_t** attributes);
  void ReadToken(const char16_t* name, const char16_t** attributes);
  void ReadFiles(const char16_t* name, const char16_t** attributes);
  void ReadUpdate(const char16_t* name, const char16_t** attributes);
  void ReadProduct(const char16_t* name, const char16_t** attributes);
  void ReadSignature(const char16_t* name, const char16_t** attributes);
  void ReadButton(const char16_t** attributes);
  bool ReadChangeElement(const char16_t* name, const char16_t** attributes);
  bool ReadNode(const char16_t* name, const char16_t** attributes);
  // A record of what a change remembers of the host's file; false when no
  // change is there to hold it.
  bool ReadHostNode(const char16_t** attributes);
  // An element inside such a record: the host's node as it stood.
  void ReadRemembered(const char16_t* name, const char16_t** attributes);
  void ReadComment();
  void ReadGeneric(const char16_t* name, const char16_t** attributes);
  void ReadElement(const char16_t* name, const char16_t** attributes);
  // Hands the text gathered since the last markup on, trimmed.
  void FlushText();
  void TakeText(CString chunk);

  // Document depth of the current element (the root is 1).
  int m_depth = 0;
  // Document depth of the open host-node record; 0 outside one.
  int m_hostNodeDepth = 0;
  bool m_rootClosed = false;
  // Character data outside CDATA sections, not yet handed on.
  CString m_pendingText;
  // Nodes opened while no node was open: they belong to nothing.
  std::vector<std::unique_ptr<CZorbXmlObject>> m_orphans;
  // The folders of file sources looked up so far, below the description's
  // folder, and whether they are there.
  std::unordered_map<std::u16string, bool> m_folderExists;
  // Where a start tag began on an earlier line, for the line fix-ups.
  mutable std::unique_ptr<TagScan> m_scan;
};
