#include "config/CZorbExtensionMenuBase.h"

#include <iterator>

namespace {

using cfgnode::Form;
using Base = CZorbExtensionMenuBase;

const cfgnode::Attribute kShared[] = {
    {u"xmlns:QQString", Form::kText, false, cfgnode::Text<Base, Base, &Base::m_namespace>, nullptr},
    {u"id", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_id>, nullptr},
    {u"QQString:name", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_qqStringName>,
     nullptr},
    {u"platform", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_platform>, nullptr},
    {u"app", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_app>, nullptr},
    {u"showif", Form::kText, true, cfgnode::Text<Base, Base, &Base::m_showif>, nullptr},
};

const cfgnode::Attribute kOwn[] = {
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resourceName>,
     nullptr},
    {nullptr, Form::kNotAnAttribute, true, cfgnode::Text<Base, Base, &Base::m_resolvedName>,
     nullptr},
};

}  // namespace

CZorbExtensionMenuBase::CZorbExtensionMenuBase() = default;

CZorbExtensionMenuBase::~CZorbExtensionMenuBase() = default;

const cfgnode::Table& CZorbExtensionMenuBase::SharedAttributeTable() {
  static const cfgnode::Table table{nullptr, kShared, std::size(kShared)};
  return table;
}

const cfgnode::Table& CZorbExtensionMenuBase::AttributeTable() {
  static const cfgnode::Table table{&SharedAttributeTable(), kOwn, std::size(kOwn)};
  return table;
}

void CZorbExtensionMenuBase::AppendAttributes(CString& out) const {
  cfgnode::WriteAttributes(AttributeTable(), *this, out);
}

void CZorbExtensionMenuBase::Merge(const CZorbExtensionMenuBase* other) {
  if (other) cfgnode::Merge(AttributeTable(), *this, *other);
}
