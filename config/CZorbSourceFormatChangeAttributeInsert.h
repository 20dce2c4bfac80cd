#pragma once

#include <cstdint>

#include "config/CZorbSourceFormatChange.h"
#include "foundation/CString.h"

// "attribute-insert": puts the attribute's tag line into the attribute
// section in the sorted place of its name, replacing a line it had.
class CZorbSourceFormatChangeAttributeInsert : public CZorbSourceFormatChange {
 public:
  CZorbSourceFormatChangeAttributeInsert();
  ~CZorbSourceFormatChangeAttributeInsert() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0; 11 without a text file, 16 without a name, 20 without the section.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the tag line again (21 when it does not stand alone).
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  void CreateTag(CString& tag, bool withLineEnd) const override;
  void GetTagName(CString& name) const override;

  CString m_name;
  CString m_namecase;
  // Tri-state: 0 unset, 1 true, 2 false.
  int32_t m_samecase = 0;
};
