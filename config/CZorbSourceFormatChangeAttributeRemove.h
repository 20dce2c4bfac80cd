#pragma once

#include "config/CZorbSourceFormatChange.h"
#include "foundation/CString.h"

// "attribute-remove": removes the attribute's tag line.
class CZorbSourceFormatChangeAttributeRemove : public CZorbSourceFormatChange {
 public:
  CZorbSourceFormatChangeAttributeRemove();
  ~CZorbSourceFormatChangeAttributeRemove() override;

  CZorbXmlObject* Clone() const override;
  void BuildXml(int level, CString& out) const override;
  // 0, also when there is no such line; 11 without a text file, 17
  // without a name, 20 without the section, 21 when the tag does not stand
  // alone on its line.
  ErrorCode MakeChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  // A removal is not put back: does nothing.
  ErrorCode UndoChange(const CZorbConfigChanges* changes, CZorbXmlFile* file,
                       const CZorbXmlFile* reference) const override;
  void GetTagName(CString& name) const override;

  CString m_name;
};
