#pragma once

#include "config/CZorbExtensionMenuBase.h"
#include "foundation/CZorbTypedList.h"

// A menu separator. Its references name the extensions that own it; the
// marker "standard" records that the host had it too. A separator without
// references is the host's own.
class CZorbExtensionMenuSeparator : public CZorbExtensionMenuBase {
 public:
  static constexpr char16_t kStandard[] = u"standard";

  CZorbExtensionMenuSeparator();
  // The source's shared attributes and its non-empty references, each once;
  // a null source gives a default separator.
  explicit CZorbExtensionMenuSeparator(const CZorbExtensionMenuSeparator* source);
  ~CZorbExtensionMenuSeparator() override;

  CZorbXmlObject* Clone() const override;
  void GetTag(CString& tag) const override;
  void BuildXml(int level, CString& out) const override;
  // The shared attributes, then references="a,b" (the non-empty references
  // joined) whenever the list has entries.
  void AppendAttributes(CString& out) const override;

  static const cfgnode::Table& AttributeTable();

  // Exact, case-sensitive comparisons.
  bool HasReference(const CString& name) const;
  // Appends name when it is not there yet.
  void AddReference(const CString& name);
  // Removes every entry equal to name.
  void RemoveReference(const CString& name);

  CZorbTypedList<CString> m_references;
};
