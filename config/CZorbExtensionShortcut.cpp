#include "config/CZorbExtensionShortcut.h"

#include <iterator>

#include "config/ConfigXml.h"

namespace {

using cfgnode::Form;
using Key = CZorbExtensionShortcut;

const cfgnode::Attribute kRows[] = {
    {u"key", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_key>, nullptr},
    {u"platform", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_platform>, nullptr},
    {u"domRequired", Form::kFalseWhenFalse, true, nullptr,
     cfgnode::Flag<Key, Key, &Key::m_domRequired>},
    {u"dynamic", Form::kTrueWhenTrue, true, nullptr, cfgnode::Flag<Key, Key, &Key::m_dynamic>},
    {u"app", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_app>, nullptr},
    {u"file", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_file>, nullptr},
    {u"arguments", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_arguments>, nullptr},
    {u"command", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_command>, nullptr},
    {u"enabled", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_enabled>, nullptr},
    {u"name", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_name>, nullptr},
    {u"checked", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_checked>, nullptr},
    {u"QQString:name", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_qqStringName>, nullptr},
    {u"id", Form::kText, true, cfgnode::Text<Key, Key, &Key::m_id>, nullptr},
};

}  // namespace

CZorbExtensionShortcut::CZorbExtensionShortcut() = default;

CZorbExtensionShortcut::CZorbExtensionShortcut(const CZorbExtensionShortcut* source) {
  Merge(source);
}

CZorbExtensionShortcut::~CZorbExtensionShortcut() = default;

CZorbXmlObject* CZorbExtensionShortcut::Clone() const {
  auto* copy = new CZorbExtensionShortcut(this);
  copy->m_emptyForm = m_emptyForm;  // as the host wrote it
  return copy;
}

void CZorbExtensionShortcut::GetTag(CString& tag) const {
  tag = u"shortcut";
}

const cfgnode::Table& CZorbExtensionShortcut::AttributeTable() {
  static const cfgnode::Table table{nullptr, kRows, std::size(kRows)};
  return table;
}

void CZorbExtensionShortcut::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionShortcut::BuildXml(int level, CString& out) const {
  CString tag;
  GetTag(tag);
  CString attributes;
  AppendAttributes(attributes);
  cfgxml::AppendEmptyElement(*this, tag, attributes, level, out);
}

void CZorbExtensionShortcut::Merge(const CZorbExtensionShortcut* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}
