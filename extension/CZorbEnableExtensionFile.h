#pragma once

#include "foundation/CString.h"
#include "foundation/CZorbMapComparators.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"
#include "foundation/CZorbTypedMap.h"
#include "foundation/CZorbXmlFile.h"

// The enable-for-all file of one product: the description file names of
// its enabled extensions installed for all users, each listed once in key
// order. The file is only written, never read back.
class CZorbEnableExtensionFile : public CZorbXmlFile {
 public:
  using NameMap = CZorbTypedMap<CString, CString, CZorbMapCStringLessThan>;

  CZorbEnableExtensionFile();
  // Starts empty, then assigns.
  CZorbEnableExtensionFile(const CZorbEnableExtensionFile& other);
  // The names and the own path.
  CZorbEnableExtensionFile& operator=(const CZorbEnableExtensionFile& other);
  ~CZorbEnableExtensionFile() override;

  CZorbEnableExtensionFile* Clone() const override;
  // "EnabledExtensionForEnableForALL".
  void GetTag(CString& tag) const override;
  // The declaration, then the root with a "KXIName" element per name;
  // texts as they are, lines ended by a carriage return.
  void BuildXml(int level, CString& out) const override;
  // Writes UTF-8 with its byte-order mark to path, or to the own path when
  // path is null or empty; -1 without either, else CZorbXmlFile::Save's.
  using CZorbXmlObject::Save;
  int Save(const char16_t* path) override;
  // Nothing is read; 0.
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) override;

  void InsertKXIFileName(const CString& name);

  CString m_path;
  NameMap m_names;  // values "1"
};
