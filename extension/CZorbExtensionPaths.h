#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbXmlFile.h"

// The path file of one installed extension: the absolute paths of the
// files the install placed and the WBXS ids it registered, each listed once
// in key order. The file is only written, never read back.
class CZorbExtensionPaths : public CZorbXmlFile {
 public:
  using PathMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  CZorbExtensionPaths();
  // Starts empty, then assigns.
  CZorbExtensionPaths(const CZorbExtensionPaths& other);
  // The installed files, the WBXS ids and the own path; the plug-in files
  // stay as they were.
  CZorbExtensionPaths& operator=(const CZorbExtensionPaths& other);
  ~CZorbExtensionPaths() override;

  CZorbExtensionPaths* Clone() const override;
  // "Paths".
  void GetTag(CString& tag) const override;
  // The declaration, then "Paths" with a "file" element per path and a
  // "wbxs" element per id; texts as they are, lines ended by a carriage
  // return.
  void BuildXml(int level, CString& out) const override;
  // Writes UTF-8 with its byte-order mark to path, or to the own path when
  // path is null or empty; -1 without either, else CZorbXmlFile::Save's.
  using CZorbXmlObject::Save;
  int Save(const char16_t* path) override;
  // Nothing is read; 0.
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) override;

  // A file-type code of 4 (a plug-in) lists the path among the plug-in
  // files too.
  void InsertAbsoluteFilePath(const CString& path, int32_t fileTypeCode);
  void InsertWBXSId(const CString& id);

  CString m_path;
  PathMap m_files;  // values "1"
  PathMap m_wbxsIds;
  // The installed plug-ins, for the host's plug-in configuration; not
  // written and not copied.
  PathMap m_pluginFiles;
};
