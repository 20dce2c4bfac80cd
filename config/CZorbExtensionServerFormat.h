#pragma once

#include "config/ConfigNodeTable.h"
#include "foundation/CString.h"
#include "foundation/CZorbXmlObject.h"

// A "format" entry of a server formats file. Attributes without a field of
// their own are kept in the XML object's attribute map.
class CZorbExtensionServerFormat : public CZorbXmlObject {
 public:
  CZorbExtensionServerFormat();
  // A default format with the source's attributes (never its children); a
  // null source gives a default format.
  explicit CZorbExtensionServerFormat(const CZorbExtensionServerFormat* source);
  ~CZorbExtensionServerFormat() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  // title (always), file, visibility="hidden" when hidden, platform,
  // expression, the other attributes in the map's order, id.
  void BuildXml(int level, CString& out) const override;
  // Copies title, platform, file, expression, id and visibility, then sets
  // each of other's further attributes into this one; null does nothing.
  void Merge(const CZorbExtensionServerFormat* other);

  static const cfgnode::Table& AttributeTable();

  CString m_title;
  CString m_id;
  CString m_platform;
  CString m_file;
  CString m_expression;
  bool m_visible = true;
};
