#pragma once

#include <cstdint>

#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlFile.h"

// One entry of the file-type map: a file-name extension with its Mac file
// type and creator codes.
class CZorbFileMapEntry : public CZorbXmlObject {
 public:
  CZorbFileMapEntry() = default;
  CZorbFileMapEntry(const CZorbFileMapEntry& other);
  CZorbFileMapEntry& operator=(const CZorbFileMapEntry& other);

  CZorbXmlObject* Clone() const override;
  // The map is only read: neither names nor writes anything.
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;

  // The code of a text of at most four characters, as a Mac code reads:
  // the characters' Mac Roman bytes (a character without one gives "?")
  // end at the lowest byte, those before them 0 ("TEXT" is 0x54455854,
  // "ab" 0x00006162). A longer text is cut to four; null gives 0.
  static uint32_t ConvertStringToCode(const char16_t* text);

  void SetExtension(const char16_t* extension) { m_extension = extension; }
  void SetCreator(const char16_t* text) { m_creator = ConvertStringToCode(text); }
  void SetType(const char16_t* text) { m_type = ConvertStringToCode(text); }
  const CString& GetExtension() const { return m_extension; }
  uint32_t GetCreator() const { return m_creator; }
  uint32_t GetType() const { return m_type; }

 private:
  CString m_extension;  // as the file writes it, with or without a point
  uint32_t m_creator = 0;
  uint32_t m_type = 0;
};

// The file-type map document: its entries are its children in file order.
class CZorbFileMap : public CZorbXmlFile {
 public:
  CZorbFileMap() = default;
  CZorbFileMap(const CZorbFileMap& other) = default;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // Reads the map's entries from the file; 0 on success.
  int Load(const char16_t* path, CZorbTypedList<CZorbString>* messages) override;

  // The first entry whose extension equals the text ignoring case. The
  // outputs are written only when it is found.
  bool Lookup(const char16_t* extension, uint32_t& creator, uint32_t& type) const;
  // The first entry with both codes.
  bool Lookup(uint32_t creator, uint32_t type, CString& extension) const;
};

// Reads "mapping" elements (at any depth; names compared ignoring case)
// with the attributes "ext", "creator" and "type" into a map.
class CZorbFileMapXMLParser : public CZorbXMLParser {
 public:
  explicit CZorbFileMapXMLParser(CZorbFileMap* map) : m_map(map) {}
  void OnElementStart(const char16_t* name, const char16_t** attrs) override;

 private:
  CZorbFileMap* m_map;
};
