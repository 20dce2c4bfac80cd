#pragma once

#include <cstdint>

#include "config/CZorbSourceFormatChange.h"
#include "foundation/CString.h"

// "element-insert": puts the element's tag line into the element section
// in the sorted place of its name, replacing a line it had.
class CZorbSourceFormatChangeElementInsert : public CZorbSourceFormatChange {
 public:
  CZorbSourceFormatChangeElementInsert();
  ~CZorbSourceFormatChangeElementInsert() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0; 11 without a text file, 14 without a name, 19 without the section.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // Removes the tag line again (21 when it does not stand alone).
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  void CreateTag(CString& tag, bool withLineEnd) const override;
  void GetTagName(CString& name) const override;

  CString m_name;
  CString m_break;
  // Tri-states: 0 unset, 1 true, 2 false.
  int32_t m_indent = 0;
  int32_t m_indentGroup = 0;
  CString m_namecase;
  int32_t m_noformat = 0;
};
